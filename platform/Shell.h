#pragma once

#include <QString>

// Opens a file, a folder or an address with the desktop's default program.
class Shell {
public:
    virtual ~Shell() = default;
    // A local path, or an address with a scheme such as "https:" or "mailto:".
    // False when the desktop has no program for it, so the caller can say so.
    virtual bool open(const QString& target) = 0;
};
