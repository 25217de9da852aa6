#pragma once

#include <QString>

// Opens a file, a folder or an address with the desktop's default program.
class Shell {
public:
    virtual ~Shell() = default;
    // A local path, or an address with a scheme such as "https:" or "mailto:".
    virtual void open(const QString& target) = 0;
};
