#include "freedesktop/DesktopNotifier.h"
#include "freedesktop/LogindInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// What the stand-in services were called with, read by the test's thread.
struct Calls {
    QMutex lock;
    QStringList inhibit;
    QStringList notify;
    int lockReadEnd = -1;
};

// logind's manager on a private bus: hands out the write end of a pipe as the lock, so the
// test sees the lock released when the read end reaches its end.
class StandInLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit StandInLogind(Calls& calls) : m_calls(calls) {}

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return {};
        QDBusUnixFileDescriptor lock(ends[1]);
        close(ends[1]);
        const QMutexLocker locked(&m_calls.lock);
        m_calls.inhibit = {what, who, why, mode};
        m_calls.lockReadEnd = ends[0];
        return lock;
    }

private:
    Calls& m_calls;
};

class StandInNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit StandInNotifications(Calls& calls) : m_calls(calls) {}

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        const QMutexLocker locked(&m_calls.lock);
        m_calls.notify = {app,  QString::number(replaces), icon, summary, body, actions.join(','),
                          QString::number(hints.size()), QString::number(timeout)};
        return 1;
    }

private:
    Calls& m_calls;
};

// Turns the event loop until the condition holds, for at most ten seconds; the condition's value.
bool WaitFor(const std::function<bool()>& condition)
{
    const QDeadlineTimer patience(10000);
    while (!condition()) {
        if (patience.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

bool PipeClosed(int readEnd)
{
    pollfd watched{readEnd, POLLIN, 0};
    char byte;
    return poll(&watched, 1, 0) == 1 && read(readEnd, &byte, 1) == 0;
}

}

// One private bus stands in for both the system and the session bus; the services on it
// answer from a thread of their own.
TEST(DesktopServices, TheSleepLockIsHeldUntilReleasedAndTheNoticeReachesTheService)
{
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    const QByteArray address = bus.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    Calls calls;
    QThread services;
    StandInLogind logind(calls);
    StandInNotifications notifications(calls);
    logind.moveToThread(&services);
    notifications.moveToThread(&services);
    services.start();
    QDBusConnection side = QDBusConnection::connectToBus(QString::fromUtf8(address), "stand-in services");
    ASSERT_TRUE(side.registerService("org.freedesktop.login1"));
    ASSERT_TRUE(side.registerObject("/org/freedesktop/login1", &logind, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(side.registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(side.registerObject("/org/freedesktop/Notifications", &notifications, QDBusConnection::ExportAllSlots));

    LogindInhibitor inhibitor;
    inhibitor.inhibit("Joining 2 videos into joined.avi");
    ASSERT_TRUE(WaitFor([&] {
        const QMutexLocker inhibited(&calls.lock);
        return !calls.inhibit.isEmpty();
    }));
    int readEnd = -1;
    {
        const QMutexLocker inhibited(&calls.lock);
        EXPECT_EQ(calls.inhibit,
                  (QStringList{"sleep:idle", "Velmo AVI Video Joiner", "Joining 2 videos into joined.avi", "block"}));
        readEnd = calls.lockReadEnd;
    }
    ASSERT_GE(readEnd, 0);
    inhibitor.inhibit("again");

    DesktopNotifier notifier;
    notifier.notify("Joining completed", "joined.avi");
    ASSERT_TRUE(WaitFor([&] {
        const QMutexLocker notified(&calls.lock);
        return !calls.notify.isEmpty();
    }));
    {
        const QMutexLocker notified(&calls.lock);
        EXPECT_EQ(calls.notify, (QStringList{"Velmo AVI Video Joiner", "0", "velmo-joiner", "Joining completed",
                                             "joined.avi", "", "0", "-1"}));
    }

    // The services have answered a later call, so their own copy of the lock is gone by now.
    EXPECT_FALSE(PipeClosed(readEnd)) << "the lock is held";
    inhibitor.release();
    // The bus's threads let go of their copies of the message in their own time.
    EXPECT_TRUE(WaitFor([&] { return PipeClosed(readEnd); })) << "the lock is let go";
    close(readEnd);

    QDBusConnection::disconnectFromBus("stand-in services");
    services.quit();
    services.wait();
    bus.kill();
    bus.waitForFinished();
}

#include "freedesktop_services_test.moc"
