#pragma once

#include "platform/Shell.h"

#include <QStringList>

// Records what would have been opened on the desktop; targets ending in one of
// `refused` have no program to open them.
class FakeShell : public Shell {
public:
    void open(const QString& target, std::function<void(bool opened)> answered) override
    {
        for (const QString& ending : refused) {
            if (target.endsWith(ending)) {
                answered(false);
                return;
            }
        }
        opened << target;
        answered(true);
    }

    QStringList opened;
    QStringList refused;
};
