#pragma once

#include "PrivateFolder.h"
#include "StreamJoin.h"

#include <functional>
#include <string>
#include <vector>

// A copy join that encodes its sound once decodes each input's sound on its own first, so
// that every input's codec delay is skipped as a player of that file skips it: decoded in
// one run from one list, each joint would keep the next input's priming as a gap. Each
// input's sound becomes a lossless piece (FLAC) exactly spans[i] seconds long, from the
// start of the file's time: silence where its sound starts late or ends early, cut where it
// runs on. Joined one after another, the pieces lie where the inputs' pictures lie.
// Gives the pieces' names, or nothing when a stop signal ended the runs. Throws JobError
// naming an input whose sound cannot be decoded.
std::vector<std::string> DecodedSounds(const std::vector<StreamFacts>& inputs, const std::vector<double>& spans,
                                       PrivateFolder& folder, const std::function<void()>& onTick);
