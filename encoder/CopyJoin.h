#pragma once

#include "Encoding.h"
#include "Request.h"

#include <functional>

// -ovc copy -oac copy: the inputs are joined as they are, their packets copied, when
// every input has the first's codecs and parameters.

// Reads the inputs and throws JobError naming the first input that differs from the
// first and in what, or a codec that the output container cannot hold. Writes nothing.
void CheckCopyJoin(const Request& request, const Encoding& encoding, const std::function<void()>& onTick);

// Checks as CheckCopyJoin does, then joins. Gives the exit code.
int RunCopyJoin(const Request& request, const Encoding& encoding);
