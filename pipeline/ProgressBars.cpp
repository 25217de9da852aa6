#include "pipeline/ProgressBars.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A bar shows, and reads back, the nearest end of its range for anything outside it.
int Bar(double value, int keep)
{
    if (!std::isfinite(value))
        return keep;
    return static_cast<int>(std::clamp(RoundHalfEven(value), 0.0, 100.0));
}

}

double RoundHalfEven(double value)
{
    return std::nearbyint(value);
}

ProgressBars ConversionBars(ProgressBars now, double position, double currentLength, double doneSeconds,
                            double totalSeconds)
{
    ProgressBars bars = now;
    if (currentLength != 0)
        bars.current = Bar(position / currentLength * 100, now.current);
    if (totalSeconds != 0)
        bars.total = Bar((doneSeconds + position) / totalSeconds * 100 / 2, now.total);
    return bars;
}

ProgressBars JoinBars(ProgressBars now, double position, double totalSeconds)
{
    ProgressBars bars = now;
    if (totalSeconds != 0) {
        bars.current = Bar(position / totalSeconds * 100, now.current);
        const double half = RoundHalfEven(position / totalSeconds * 100 / 2);
        bars.total = Bar(half + 50, now.total);
    }
    return bars;
}

int RemainingSeconds(int elapsed, int totalBar, int previous)
{
    if (totalBar == 0)
        return previous;
    const double remaining = RoundHalfEven(elapsed / (totalBar / 100.0) - elapsed);
    if (!std::isfinite(remaining) || std::fabs(remaining) > std::numeric_limits<int>::max())
        return previous;
    return static_cast<int>(remaining);
}
