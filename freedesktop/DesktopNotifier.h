#pragma once

#include "platform/Notifier.h"

// Notifications through the desktop's org.freedesktop.Notifications service on the session bus.
class DesktopNotifier : public Notifier {
public:
    void notify(const QString& summary, const QString& body) override;
};
