#pragma once

#include "Encoding.h"
#include "FfmpegPlan.h"
#include "OutputVerify.h"
#include "Request.h"
#include "StreamJoin.h"

#include <string>
#include <vector>

// The input at index as the user knows it: its file name, or for a file of the job's own
// (an intermediate file, a piece) the title the joiner gave it, else its place ("input 3").
std::string InputWords(const Request& request, std::size_t index);

// InputWords of every input, in order.
std::vector<std::string> InputsWords(const Request& request);

// What a run that encodes its inputs into format promises: each input's frames, the
// picture upright in the format's shape and colour, its chapters.
OutputPromise EncodedPromise(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                             const OutputFormat& format);

// What a join that copies the inputs' pictures promises: each input's pictures as shown.
OutputPromise CopiedPromise(const Request& request, const Encoding& encoding, const std::vector<StreamFacts>& inputs);
