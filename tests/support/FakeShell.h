#pragma once

#include "platform/Shell.h"

#include <QStringList>

// Records what would have been opened on the desktop.
class FakeShell : public Shell {
public:
    void open(const QString& target) override { opened << target; }

    QStringList opened;
};
