#pragma once

// Ends the user's session by turning the computer off. The production implementation
// asks the desktop's session manager, which lets other programs object; tests never
// reach it.
class Power {
public:
    virtual ~Power() = default;
    // Asks for the power-off without forcing other programs to close.
    virtual void powerOff() = 0;
};
