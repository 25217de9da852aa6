#pragma once

#include "platform/Shell.h"

#include <QStringList>

// Records what would have been opened on the desktop; targets ending in one of
// `refused` have no program to open them.
class FakeShell : public Shell {
public:
    bool open(const QString& target) override
    {
        for (const QString& ending : refused)
            if (target.endsWith(ending))
                return false;
        opened << target;
        return true;
    }

    QStringList opened;
    QStringList refused;
};
