#pragma once

#include <QString>

// A desktop notification, for a user who is not looking at the program. The production
// implementation asks the desktop's notification service; where none answers, nothing
// happens.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};
