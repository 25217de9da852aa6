#pragma once

#include "platform/Shell.h"

// Opens through xdg-open, after asking the desktop's type registry (xdg-mime) whether
// any program opens the target's type; without xdg-utils nothing can be opened.
class DesktopShell : public Shell {
public:
    bool open(const QString& target) override;
};
