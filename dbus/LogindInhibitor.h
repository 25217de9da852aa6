#pragma once

#include "platform/SleepInhibitor.h"

#include <QDBusUnixFileDescriptor>

// A logind "block" lock on sleep and idle, held as the file descriptor logind hands out:
// closing it is what lets the computer sleep again.
class LogindInhibitor : public SleepInhibitor {
public:
    void inhibit(const QString& why) override;
    void release() override;

private:
    QDBusUnixFileDescriptor m_lock;
};
