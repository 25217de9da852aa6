#pragma once

#include <QString>

#include <functional>

// Ends the user's session by turning the computer off. The production implementation
// asks the desktop's session manager, which lets other programs object; tests never
// reach it.
class Power {
public:
    virtual ~Power() = default;
    // Lets the next request ask the user to authenticate where the policy wants that.
    virtual void allowInteractiveAuthorization() = 0;
    // Asks for the power-off without forcing other programs to close. Returns at once;
    // answered gets an empty text when the system agreed, else the system's reason.
    virtual void powerOff(std::function<void(const QString& refusal)> answered) = 0;
};
