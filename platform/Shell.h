#pragma once

#include <QString>

#include <functional>

// Opens a file, a folder or an address with the desktop's default program.
class Shell {
public:
    virtual ~Shell() = default;
    // A local path, or an address with a scheme such as "https:" or "mailto:". Returns at
    // once; answered learns later whether a program was started, false when the desktop
    // has none for it, so the caller can say so. The program started outlives this one.
    virtual void open(const QString& target, std::function<void(bool opened)> answered) = 0;
};
