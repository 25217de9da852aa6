#pragma once

#include "Encoding.h"
#include "PrivateFolder.h"
#include "StreamJoin.h"

#include <functional>
#include <string>
#include <vector>

// A copy join whose inputs differ encodes only those that differ from the first: each
// becomes a piece in the first input's own format (its codec, profile and level, frame
// size, rate, pixel format, turn and time steps; its sound's codec, rate and channels),
// its picture's shape as shown kept within the frame, whose packets the join then copies
// beside the other inputs' unchanged ones.

// The start of the line that says why the differing inputs cannot be encoded to match.
constexpr const char* kCannotMatchPrefix = "Cannot encode only these: ";

// Why newly encoded pieces could not stand beside the first input's copied packets so that
// every decoder accepts the join; empty when they can. H.264 pieces carry their own codec
// headers in their packets, under numbers the first input's headers do not use; MPEG-1
// and MPEG-2 pictures carry theirs at every group of pictures.
std::string WhyPiecesCannotMatch(const Encoding& encoding, const StreamFacts& first,
                                 const std::vector<const StreamFacts*>& differing);

// Encodes each differing input into a piece in the folder, one after another, reporting
// the seconds done of `total` through "Pos:" lines. Gives the pieces' names in order, or
// nothing when a stop signal ended the runs. Throws JobError naming an input that failed.
std::vector<std::string> EncodeMatchingPieces(const StreamFacts& first, const std::vector<const StreamFacts*>& differing,
                                              PrivateFolder& folder, double total);
