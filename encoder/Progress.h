#pragma once

#include <string>
#include <string_view>

// Follows ffmpeg's "-progress" reports (key=value lines) and words them as the
// MEncoder-style "Pos:" line that the joiner reads.
class Progress {
public:
    explicit Progress(double totalSeconds) : total_(totalSeconds) {}

    // Takes any piece of ffmpeg's progress stream; lines may be split across pieces.
    void Feed(std::string_view text);

    double seconds() const { return seconds_; }
    long frames() const { return frames_; }
    bool ended() const { return ended_; }

    // "Pos:  12.3s    308f ( 25%)" followed by "\r".
    std::string Line() const;

private:
    void TakeLine(std::string_view line);

    double total_;
    double seconds_ = 0;
    long frames_ = 0;
    bool ended_ = false;
    std::string partial_;
};

std::string FormatPosLine(double seconds, long frames, int percent);
