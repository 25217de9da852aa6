#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "Request.h"
#include "StreamJoin.h"

#include <functional>
#include <string>
#include <vector>

// What the output keeps of the inputs beside their picture and sound: their subtitles,
// joined into one track with each input's cues in its stretch, and their attachments.
struct KeptStreams {
    // The subtitles are read through a concat list of the inputs, each entry as long as its
    // input's stretch; empty when the output gets none.
    std::vector<ConcatEntry> subtitleEntries;
    int subtitleStream = -1; // the subtitle track's stream in that list
    std::string subtitleCodec; // what the output writes: "copy", "mov_text", "webvtt"
    // Each input's attachments and cover picture kept, as [input, stream].
    std::vector<std::pair<std::size_t, int>> attachments;
    std::pair<std::size_t, int> cover{0, -1};
    // For each input, what of it the output leaves out.
    std::vector<std::vector<std::string>> leftOut;
};

// lengths: each input's stretch of the output, in seconds.
KeptStreams PlanKeptStreams(const Request& request, Container output, const std::vector<InputInfo>& inputs,
                            const std::vector<double>& lengths);

// The arguments that map what is kept; the subtitle list is ffmpeg's input `subtitleInput`,
// and the inputs' attachments are read from ffmpeg's input inputNumber(input).
std::vector<std::string> KeptStreamArguments(const KeptStreams& kept, std::size_t subtitleInput,
                                             const std::function<std::size_t(std::size_t)>& inputNumber);
