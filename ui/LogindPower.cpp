#include "ui/LogindPower.h"

#include <QDBusConnection>
#include <QDBusMessage>

void LogindPower::powerOff()
{
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "PowerOff");
    // Interactive: logind may ask for authentication instead of refusing outright.
    call << true;
    // The program closes itself right after asking, so the answer is not waited for.
    QDBusConnection::systemBus().call(call, QDBus::NoBlock);
}
