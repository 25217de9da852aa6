#pragma once

#include "Request.h"

// Does the whole job of one command line: checks the output container, probes
// every input, runs ffmpeg with progress, checks the result and gives it its
// real name. Returns the exit code; throws UsageError or JobError on failure.
int RunEncodeJob(const Request& request);
