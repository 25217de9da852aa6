#include "freedesktop/LogindPower.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace {

// Polkit may ask the user for a password first: the answer may take a while.
constexpr int AnswerMs = 10 * 60 * 1000;

}

void LogindPower::allowInteractiveAuthorization()
{
    m_interactive = true;
}

void LogindPower::powerOff(std::function<void(const QString& refusal)> answered)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        answered("The system's message bus cannot be reached.");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "PowerOff");
    // logind's "interactive": polkit may ask the user instead of refusing; nothing is forced.
    call << m_interactive;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, AnswerMs), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [answered = std::move(answered)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         answered(done->isError() ? done->error().message() : QString());
                     });
}
