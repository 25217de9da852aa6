#pragma once

#include "Encoding.h"
#include "Request.h"

// Checks a command line as a run does before any media work, without reading the
// inputs or writing anything: the output's container and codecs, that the output is
// none of the inputs, and that the output can be made where it is named. Throws
// UsageError or JobError.
Encoding CheckRequest(const Request& request);

// Does the whole job of one command line: checks the output container, probes
// every input, runs ffmpeg with progress (a long join in groups of inputs, each
// group a piece of the output, the pieces then joined), checks the result and gives
// it its real name. Returns the exit code; throws UsageError or JobError on failure.
int RunEncodeJob(const Request& request);
