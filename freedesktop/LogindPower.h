#pragma once

#include "platform/Power.h"

// Asks logind over the system bus to power off.
class LogindPower : public Power {
public:
    void allowInteractiveAuthorization() override;
    void powerOff(std::function<void(const QString& refusal)> answered) override;

private:
    bool m_interactive = false;
};
