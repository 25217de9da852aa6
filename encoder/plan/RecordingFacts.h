#pragma once

#include "Encoding.h"

#include <cstddef>
#include <string>
#include <vector>

// The arguments that give the output the recording's facts of ffmpeg's input number
// `input` (its creation time, place, make, model and titles), as data copied from the
// file: MP4 and QuickTime write a camera and a phone's place only as tags of their own
// kind, which in MP4 take the place of the tags that hold a cover picture (`cover`): with
// one, the place stays in the tag that MP4 players read, and the camera is not written.
std::vector<std::string> RecordingFactsArguments(std::size_t input, Container output, bool cover = false);
