#include "console/ConsoleJob.h"
#include "console/ConsoleOptions.h"
#include "core/NameBytes.h"
#include "freedesktop/DesktopNotifier.h"
#include "freedesktop/DesktopShell.h"
#include "freedesktop/LogindInhibitor.h"
#include "freedesktop/LogindPower.h"
#include "settings/ProgramValues.h"
#include "tasks/MediaInfoDll.h"
#include "ui/AboutForm.h"
#include "ui/MainForm.h"
#include "ui/QtFileDialogs.h"
#include "ui/TerminationSignals.h"
#include "ui/VelmoApplication.h"

#include <QMessageBox>
#include <QScreen>

int main(int argc, char* argv[])
{
    // The console mode runs without windows, so without a display: no window system is touched.
    if (IsConsoleCommand(ArgumentNames(argc, argv)))
        return RunConsole(argc, argv);

    VelmoApplication app(argc, argv);
    // From here on a logout or kill ends the program through its own cleanup: the job's
    // folder and the pictures' folder go, and no encoder is left running.
    TerminationSignals endings;
    const QString mediaLibraryError = MediaInfoDll::LoadError();
    if (!mediaLibraryError.isEmpty()) {
        QMessageBox::critical(nullptr, ProgramValues::ProductName, mediaLibraryError);
        return 1;
    }
    DesktopShell shell;
    QtFileDialogs dialogs;
    LogindPower power;
    LogindInhibitor inhibitor;
    DesktopNotifier notifier;

    // Everything the program opens beside itself is found through its own folder, never the current one.
    TMainForm MainForm(QCoreApplication::applicationDirPath(), ArgumentNames(argc, argv), {nullptr, &shell, &dialogs, &power, &inhibitor, &notifier});
    TAboutForm AboutForm(MainForm.programValues(), shell, &MainForm);
    MainForm.setAboutForm(&AboutForm);
    QObject::connect(&endings, &TerminationSignals::arrived, &MainForm, &TMainForm::endAtSignal);

    MainForm.move(MainForm.screen()->availableGeometry().center() - MainForm.rect().center());
    MainForm.show();
    return app.exec();
}
