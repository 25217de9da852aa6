#include "pipeline/ProgressBars.h"

#include <algorithm>
#include <cmath>

double RoundHalfEven(double value)
{
    return std::nearbyint(value);
}

int CurrentBar(int now, double position, double length)
{
    if (length == 0)
        return now;
    const double percent = position / length * 100;
    // A bar shows, and reads back, the nearest end of its range for anything outside it.
    if (!std::isfinite(percent))
        return now;
    return static_cast<int>(std::clamp(RoundHalfEven(percent), 0.0, 100.0));
}
