#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// What the join needs to know of one input.
struct InputInfo {
    std::string path;
    int videoStream = -1; // absolute stream index
    int audioStream = -1; // -1: no audio
    int width = 0;
    int height = 0;
    double sampleAspect = 1;
    double frameRate = 25;
    // The input's span in the output: from `start` (seconds after the file's first
    // timestamp, as ffmpeg's filters see it) for `duration` seconds, to its picture's end.
    double start = 0;
    double duration = 0; // 0 when the file does not say
    int sampleRate = 0;
    int channels = 0;
};

// ffprobe's "-of flat" text as key/value pairs, quotes removed.
std::map<std::string, std::string> ParseFlatOutput(const std::string& text);

// The streams and the span read from ffprobe's flat output and the end of the picture's
// packets (seconds, 0 when unknown). Throws JobError naming the file when it holds no video.
InputInfo InputInfoFromProbe(const std::string& path, const std::map<std::string, std::string>& values,
                             double pictureEnd = 0);

// The ffprobe arguments that InputInfoFromProbe expects.
std::vector<std::string> ProbeArguments(const std::string& path);

// The ffprobe arguments that list the packets of the first picture stream that is no
// cover picture, for PacketsEnd.
std::vector<std::string> PacketArguments(const std::string& path);

// Where the last of the packets ends, in seconds: the greatest "pts,dts,duration" line
// (ffprobe's csv, time base units) end. A damaged file's header may claim more; its
// packets say what is really there. 0 when no packet has a time.
double PacketsEnd(const std::string& csv, double timeBase);

// Checks that the file is there and readable, then asks ffprobe. Throws JobError
// naming the file: missing, a folder, unreadable, empty, not a media file, no video.
InputInfo ProbeInput(const std::string& path, const std::function<void()>& onTick);

// A path as ffmpeg's file protocol reads it, so that no name is taken for a protocol or option.
std::string FileUrl(const std::string& path);
