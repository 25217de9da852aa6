#pragma once

#include "Encoding.h"
#include "FfmpegPlan.h"
#include "OutputVerify.h"
#include "Request.h"
#include "StreamJoin.h"

#include <string>
#include <vector>

// What a run that encodes its inputs into format promises: each input's frames, the
// picture upright in the format's shape and colour, its chapters.
OutputPromise EncodedPromise(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                             const OutputFormat& format);

// What a join that copies the inputs' pictures promises: each input's pictures as shown.
OutputPromise CopiedPromise(const Request& request, const Encoding& encoding, const std::vector<StreamFacts>& inputs);
