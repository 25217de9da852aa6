#pragma once

#include "PrivateFolder.h"
#include "StreamJoin.h"

#include <functional>
#include <string>
#include <vector>

// Where an input's place in a copy join that encodes its sound once starts, in the file's
// time: at its first picture where the picture sets the join's lengths (so that sound
// that starts before it, as MPEG's does, does not lie over the input before), else at the
// file's start.
double SoundPieceStart(const StreamFacts& input, bool pictureSetsLength);

// A copy join that encodes its sound once decodes each input's sound on its own first, so
// that every input's codec delay is skipped as a player of that file skips it: decoded in
// one run from one list, each joint would keep the next input's priming as a gap. Each
// input's sound becomes a lossless piece (FLAC) exactly spans[i] seconds long, from
// SoundPieceStart: silence where its sound starts late or ends early, cut where it runs
// on. MP3 in AVI or MPEG, which do not mark the encoder's priming, loses it here, as the
// join's own encoder puts its priming back in front of the whole. Joined one after
// another, the pieces lie where the inputs' pictures lie.
// Gives the pieces' names, or nothing when a stop signal ended the runs. Throws JobError
// naming an input whose sound cannot be decoded.
std::vector<std::string> DecodedSounds(const std::vector<StreamFacts>& inputs, const std::vector<double>& spans,
                                       bool pictureSetsLength, PrivateFolder& folder,
                                       const std::function<void()>& onTick);
