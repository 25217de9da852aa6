#include "platform/DesktopShell.h"
#include "settings/ProgramValues.h"
#include "tasks/MediaInfoDll.h"
#include "ui/AboutForm.h"
#include "ui/MainForm.h"
#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString mediaLibraryError = MediaInfoDll::LoadError();
    if (!mediaLibraryError.isEmpty()) {
        QMessageBox::critical(nullptr, ProgramValues::ProductName, mediaLibraryError);
        return 1;
    }
    DesktopShell shell;
    QtFileDialogs dialogs;

    // Everything the program opens beside itself is found through its own folder, never the current one.
    TMainForm MainForm(QCoreApplication::applicationDirPath(), app.arguments().mid(1), {nullptr, &shell, &dialogs});
    TAboutForm AboutForm(MainForm.programValues(), shell, &MainForm);
    MainForm.setAboutForm(&AboutForm);

    MainForm.move(MainForm.screen()->availableGeometry().center() - MainForm.rect().center());
    MainForm.show();
    return app.exec();
}
