#pragma once

#include "StreamJoin.h"

#include <optional>
#include <string>
#include <vector>

// The bitstream filter that leaves out each input's sound packets from `ends[i]` on (in
// the file's time; 0: none left out), so that one concat list carries both streams and
// the inputs are read once. The packets are counted, not timed, as a file's sound that
// runs on past its picture overlaps the next file's in the joined time. None when the
// packets left out cannot be counted from what was read (an input not read through, or
// cut where it breaks off): the sound then needs a list of its own.
std::optional<std::string> SoundEndsFilter(const std::vector<StreamFacts>& inputs, const std::vector<double>& ends);
