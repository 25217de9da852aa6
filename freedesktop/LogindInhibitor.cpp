#include "freedesktop/LogindInhibitor.h"

#include "settings/ProgramValues.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

struct LogindInhibitor::Lock {
    QDBusUnixFileDescriptor held;
    bool asked = false;
    // False once released: an answer that comes later is let go at once.
    bool wanted = false;
};

LogindInhibitor::LogindInhibitor()
    : m_lock(std::make_shared<Lock>())
{
}

LogindInhibitor::~LogindInhibitor()
{
    release();
}

void LogindInhibitor::inhibit(const QString& why)
{
    m_lock->wanted = true;
    if (m_lock->held.isValid() || m_lock->asked)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QString("sleep:idle") << QString(ProgramValues::ProductName) << why << QString("block");
    m_lock->asked = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [lock = m_lock](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         lock->asked = false;
                         const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
                         if (lock->wanted && reply.isValid())
                             lock->held = reply.value();
                     });
}

void LogindInhibitor::release()
{
    m_lock->wanted = false;
    m_lock->held = QDBusUnixFileDescriptor();
}
