#pragma once

#include "Encoding.h"
#include "Request.h"

#include <functional>

// -ovc copy -oac copy: the inputs are joined as they are, their packets copied, when
// every input has the first's codecs and parameters and its timestamps run on.
// Where the copy alone would not be right, the join mends it without touching the
// picture: inputs whose times count in different steps are re-stamped, and in AVI the
// sound is cut at each joint or, when some input's sound is too short, encoded once.
// With -oac once the sound is always encoded once, so that no joint leaves a gap; with
// -reencode-differing the inputs that differ from the first are encoded to match it
// (DifferingPieces.h) and the rest copied.

// Reads the inputs and throws JobError naming the input and its fault (CopyCheck.h).
// Writes nothing.
void CheckCopyJoin(const Request& request, const Encoding& encoding, const std::function<void()>& onTick);

// Checks as CheckCopyJoin does, then joins. Gives the exit code.
int RunCopyJoin(const Request& request, const Encoding& encoding);
