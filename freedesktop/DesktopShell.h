#pragma once

#include "platform/Shell.h"

// Opens through xdg-open, after asking the desktop's type registry (xdg-mime) whether
// any program opens the target's type; without xdg-utils nothing can be opened. The
// question is asked in the background, so the window never waits for it.
class DesktopShell : public Shell {
public:
    void open(const QString& target, std::function<void(bool opened)> answered) override;
};
