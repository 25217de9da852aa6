#pragma once

#include "platform/Power.h"

// Records the power-off requests instead of making them.
class FakePower : public Power {
public:
    void allowInteractiveAuthorization() override { interactive = true; }
    void powerOff() override { ++powerOffs; }

    bool interactive = false;
    int powerOffs = 0;
};
