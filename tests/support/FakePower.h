#pragma once

#include "platform/Power.h"

// Records the power-off requests instead of making them, and answers each at once with
// `refusal` (empty: agreed).
class FakePower : public Power {
public:
    void allowInteractiveAuthorization() override { interactive = true; }
    void powerOff(std::function<void(const QString& refusal)> answered) override
    {
        ++powerOffs;
        answered(refusal);
    }

    bool interactive = false;
    int powerOffs = 0;
    QString refusal;
};
