#pragma once

#include "InputProbe.h"
#include "Request.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// What the joins that copy streams need to know of one file: its streams' codecs and
// parameters (keys as in ffprobe's flat output, "streams.stream.N.codec_name"), its tags,
// its length, and the file as it was when read (size and time of change, for CheckUnchanged).
struct StreamFacts {
    InputInfo file;
    std::map<std::string, std::string> values;
    int video = -1; // the first video stream that is no cover picture
    int audio = -1; // the first audio stream
    double duration = 0;

    std::string Video(const std::string& key) const;
    std::string Audio(const std::string& key) const;
};

// Asks ffprobe. Throws JobError naming the file when it cannot be read.
StreamFacts ProbeStreams(const std::string& path, const std::function<void()>& onTick);

// The concat demuxer's list of the files, by absolute name.
std::string ConcatList(const std::vector<std::string>& paths);

// ffmpeg's first arguments for a join, reporting its progress to its stdout, and its
// input: the files of the concat list at listPath, one after another, packets unchanged.
std::vector<std::string> JoinHead(const std::string& listPath);

// Runs the ffmpeg that buildArgs(listPath, target) gives, with the concat list readable
// at listPath and the output written through a TempOutput at target, then checks the
// output and gives it its name, as every run does. total is the output's length in seconds.
int RunJoin(const Request& request, const std::vector<StreamFacts>& inputs, const std::string& concatList,
            const std::function<std::vector<std::string>(const std::string&, const std::string&)>& buildArgs);
