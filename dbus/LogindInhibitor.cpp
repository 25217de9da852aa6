#include "dbus/LogindInhibitor.h"

#include "settings/ProgramValues.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

// A logind that does not answer soon is treated as absent: the job must not wait for it.
constexpr int AnswerMs = 2000;

}

void LogindInhibitor::inhibit(const QString& why)
{
    if (m_lock.isValid())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QString("sleep:idle") << QString(ProgramValues::ProductName) << why << QString("block");
    const QDBusMessage reply = bus.call(call, QDBus::Block, AnswerMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_lock = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
}

void LogindInhibitor::release()
{
    m_lock = QDBusUnixFileDescriptor();
}
