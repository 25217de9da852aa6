#pragma once

#include "Encoding.h"

#include <cstddef>
#include <string>
#include <vector>

// The arguments that give the output the recording's facts of ffmpeg's input number
// `input` (its creation time, place, make, model and titles), as data copied from the
// file: MP4 and QuickTime write a place and a camera only as tags of their own kind.
std::vector<std::string> RecordingFactsArguments(std::size_t input, Container output);
