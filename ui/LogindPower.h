#pragma once

#include "platform/Power.h"

// Asks logind over the system bus to power off; logind asks the user when other
// programs or sessions object.
class LogindPower : public Power {
public:
    void powerOff() override;
};
