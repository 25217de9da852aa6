#pragma once

// The two progress bars and the clock's estimate, as the stages compute them from the
// encoder's position. Bars run from 0 to 100; a formula whose divisor is 0 leaves its bar.
struct ProgressBars {
    int current = 0;
    int total = 0;
};

// Nearest integer, halves to the even neighbour (62.5 gives 62, 63.5 gives 64).
double RoundHalfEven(double value);

// The conversion fills the total bar from 0 to 50, weighted by play time.
ProgressBars ConversionBars(ProgressBars now, double position, double currentLength, double doneSeconds,
                            double totalSeconds);

// The join fills it from 50 to 100.
ProgressBars JoinBars(ProgressBars now, double position, double totalSeconds);

// The remaining seconds after `elapsed` ticks with the total bar at `totalBar` percent;
// `previous` stays while the bar is at 0.
int RemainingSeconds(int elapsed, int totalBar, int previous);
