#pragma once

#include "platform/SleepInhibitor.h"

#include <memory>

// A logind "block" lock on sleep and idle, held as the file descriptor logind hands out:
// closing it is what lets the computer sleep again. It is asked for in the background, so
// that a job never waits for logind.
class LogindInhibitor : public SleepInhibitor {
public:
    LogindInhibitor();
    ~LogindInhibitor() override;

    void inhibit(const QString& why) override;
    void release() override;

private:
    struct Lock;
    // Shared with the answer still on its way, which may come after this object is gone.
    std::shared_ptr<Lock> m_lock;
};
