#include "freedesktop/DesktopNotifier.h"

#include "settings/ProgramValues.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // No id to replace, the installed icon's name, no actions or hints, the server's own timeout.
    call << QString(ProgramValues::ProductName) << 0u << QString("velmo-joiner") << summary << body << QStringList()
         << QVariantMap() << -1;
    // The answer only carries the notification's id, which nothing needs.
    bus.call(call, QDBus::NoBlock);
}
