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
    double duration = 0; // seconds of video; 0 when the file does not say
    int sampleRate = 0;
    int channels = 0;
};

// ffprobe's "-of flat" text as key/value pairs, quotes removed.
std::map<std::string, std::string> ParseFlatOutput(const std::string& text);

// The streams and lengths read from ffprobe's flat output. Throws JobError naming
// the file when it holds no video.
InputInfo InputInfoFromProbe(const std::string& path, const std::map<std::string, std::string>& values);

// The ffprobe arguments that InputInfoFromProbe expects.
std::vector<std::string> ProbeArguments(const std::string& path);

// Checks that the file is there and readable, then asks ffprobe. Throws JobError
// naming the file: missing, a folder, unreadable, empty, not a media file, no video.
InputInfo ProbeInput(const std::string& path, const std::function<void()>& onTick);

// A path as ffmpeg's file protocol reads it, so that no name is taken for a protocol or option.
std::string FileUrl(const std::string& path);
