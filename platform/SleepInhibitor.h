#pragma once

#include <QString>

// Keeps the computer from sleeping or idle-suspending while a job runs. The production
// implementation holds a logind inhibitor lock; where there is none to be had, nothing
// happens and the job runs all the same.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // Takes the lock, naming why; a lock already held is kept.
    virtual void inhibit(const QString& why) = 0;
    // Lets the computer sleep again; nothing when no lock is held.
    virtual void release() = 0;
};
