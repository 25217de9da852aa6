#include "ui/VelmoApplication.h"

#include "settings/ProgramValues.h"

#include <QMessageBox>

#include <exception>

VelmoApplication::VelmoApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , showUnhandledError([](const QString& text) {
        QMessageBox::critical(QApplication::activeWindow(), ProgramValues::ProductName, text);
    })
{
}

bool VelmoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showUnhandledError(QString::fromUtf8(error.what()));
    } catch (...) {
        showUnhandledError(QStringLiteral("An unexpected error ended the command."));
    }
    return true;
}
