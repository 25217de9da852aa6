#pragma once

// The two progress bars, 0 to 100. The current bar follows one encoder run; the total bar
// is the whole job's (JobProgress).
struct ProgressBars {
    int current = 0;
    int total = 0;
};

// Nearest integer, halves to the even neighbour (62.5 gives 62, 63.5 gives 64).
double RoundHalfEven(double value);

// The current bar at `position` seconds of a run over `length` seconds; a length of 0 leaves
// the bar at `now`.
int CurrentBar(int now, double position, double length);
