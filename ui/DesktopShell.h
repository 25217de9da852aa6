#pragma once

#include "platform/Shell.h"

// Opens through the desktop's handlers (xdg-open and friends).
class DesktopShell : public Shell {
public:
    void open(const QString& target) override;
};
