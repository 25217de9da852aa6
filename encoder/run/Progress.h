#pragma once

#include "EncoderLines.h"

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

// The MEncoder-style line, "Pos:  12.3s    308f ( 25%)" and "\r", for the seconds of
// output made so far out of total (0: unknown), followed by the same as a tagged line
// for a caller that asked for those (TaggedLinesToken).
std::string PosLine(double seconds, long frames, double total);

std::string FormatPosLine(double seconds, long frames, int percent);

// The token of the tagged lines of EncoderLines.h that the caller reads, from the
// environment; empty when it reads none.
std::string_view TaggedLinesToken();
// Writes a tagged line of this body where the caller wants them.
void Tell(const std::string& body);

// The step a run is at: reading its inputs, encoding (an encoding run names its first
// input's picture and its output's), checking what ffmpeg wrote. The joiner weighs the
// time left by it; the positions alone stand still then.
void SayStep(encoderlines::Step step);
void SayEncoding(encoderlines::Picture from, encoderlines::Picture to);

// A note of one input (counted from 0 among the run's inputs), for the person on stderr
// and tagged for the joiner, which shows it with that input.
void SayNote(std::size_t input, const std::string& words);
