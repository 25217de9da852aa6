#pragma once

#include "platform/Notifier.h"
#include "platform/SleepInhibitor.h"

#include <QStringList>

#include <functional>

// Records the sleep lock's takings and releases, and whether one is held.
class FakeSleepInhibitor : public SleepInhibitor {
public:
    void inhibit(const QString& why) override
    {
        calls << "inhibit: " + why;
        held = true;
    }
    void release() override
    {
        if (held)
            calls << "release";
        held = false;
    }

    QStringList calls;
    bool held = false;
};

// Records every notification as "summary: body"; `onNotify` lets a test see what else had happened by then.
class FakeNotifier : public Notifier {
public:
    void notify(const QString& summary, const QString& body) override
    {
        shown << summary + ": " + body;
        if (onNotify)
            onNotify();
    }

    QStringList shown;
    std::function<void()> onNotify;
};
