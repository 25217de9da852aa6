#include "settings/IniFile.h"
#include "ui/VelmoApplication.h"

#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// An event handler whose command fails the way a refused preferences write does.
class FailingHandler : public QObject {
protected:
    bool event(QEvent*) override { throw IniWriteError("Unable to write to /nowhere/Preferences.ini"); }
};

}

TEST(UnhandledError, EndsTheCommandWithOneMessageAndTheProgramGoesOn)
{
    auto* app = static_cast<VelmoApplication*>(QCoreApplication::instance());
    const auto production = app->showUnhandledError;
    QStringList shown;
    app->showUnhandledError = [&](const QString& text) { shown << text; };

    FailingHandler handler;
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
    QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
    const int exitCode = QCoreApplication::exec();
    app->showUnhandledError = production;

    EXPECT_EQ(shown, QStringList{"Unable to write to /nowhere/Preferences.ini"});
    EXPECT_EQ(exitCode, 7) << "the event loop ran on after the error";
}
