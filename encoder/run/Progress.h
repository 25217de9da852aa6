#pragma once

#include <string>
#include <string_view>

// Follows one ffmpeg run's "-progress" reports (key=value lines).
class Progress {
public:
    // Takes any piece of ffmpeg's progress stream; lines may be split across pieces.
    void Feed(std::string_view text);

    double seconds() const { return seconds_; }
    long frames() const { return frames_; }

private:
    void TakeLine(std::string_view line);

    double seconds_ = 0;
    long frames_ = 0;
    std::string partial_;
};

// The MEncoder-style line that the joiner reads, "Pos:  12.3s    308f ( 25%)" and "\r",
// for the seconds of output made so far out of total (0: unknown).
std::string PosLine(double seconds, long frames, double total);

std::string FormatPosLine(double seconds, long frames, int percent);

// The step a run is at, on a line of its own: "Step: reading" while it reads its inputs,
// "Step: encoding" while ffmpeg writes (an encoding run adds "1280x720 to 640x480", its
// first input's picture and its output's), "Step: checking" while it reads back what
// ffmpeg wrote. The joiner weighs the time left by it; the positions alone stand still then.
void SayStep(std::string_view step);
