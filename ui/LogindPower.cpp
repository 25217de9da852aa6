#include "ui/LogindPower.h"

#include <QDBusConnection>
#include <QDBusMessage>

void LogindPower::allowInteractiveAuthorization()
{
    m_interactive = true;
}

void LogindPower::powerOff()
{
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "PowerOff");
    // logind's "interactive": polkit may ask the user instead of refusing; nothing is forced.
    call << m_interactive;
    // The program closes itself right after asking, so the answer is not waited for.
    QDBusConnection::systemBus().call(call, QDBus::NoBlock);
}
