#pragma once

#include <functional>
#include <string>
#include <string_view>

// How reading a file's facts in this process ended.
struct FlatProbeResult {
    bool stopped = false; // a stop signal arrived
    std::string error;    // why the file could not be opened, as ffprobe words it; empty when it was read
};

// Reads the file with libavformat, as ffprobe does, and gives onText, in pieces, the same text
// that `ffprobe -v error -of flat` writes for ProbeArguments' entries: the probe without the
// cost of starting a program, which outweighs the reading of a short file. The packets are
// written as they are read, so a long film's list is never held whole. onTick is called at
// least every tick while it reads.
FlatProbeResult ProbeFlat(const std::string& path, const std::function<void(std::string_view)>& onText,
                          const std::function<void()>& onTick);

// What a picture of the file needs to know: whether it has a picture, and its length in
// seconds (0 when the file does not say), from its header alone, without its packets.
struct PictureSpan {
    std::string error; // why the file could not be opened; empty when it was
    bool hasPicture = false;
    double seconds = 0;
};
PictureSpan ReadPictureSpan(const std::string& path);
