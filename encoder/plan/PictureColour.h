#pragma once

#include "Encoding.h"
#include "InputProbe.h"

#include <string>
#include <vector>

// The light a picture's signal stands for: standard range, or HDR as HLG or PQ.
enum class Dynamic { Sdr, Hlg, Pq };
Dynamic DynamicOf(const InputInfo& input);

// The colour an output's pictures are stored in, in ffmpeg's tag names.
struct OutputColour {
    Dynamic dynamic = Dynamic::Sdr;
    std::string matrix;    // -colorspace
    std::string primaries; // -color_primaries
    std::string transfer;  // -color_trc
    std::string range;     // -color_range: "tv" or "pc"
    std::string pixelFormat;
    // HDR kept as PQ: the mastering display and light levels, as x265 takes them.
    std::string masterDisplay;
    std::string contentLight;
};

// Whether the output's codec can hold HDR pictures as they are.
bool KeepsHdr(const Encoding& encoding);

// HDR is kept where the codec can hold it and every input is HDR of one kind. Everything
// else is SDR: BT.709 from HD sizes up and BT.601 below, as players assume of pictures
// whose tags they cannot read (AVI keeps none), Motion JPEG full range BT.601 as JPEG is.
OutputColour ChooseOutputColour(const Encoding& encoding, int width, int height,
                                const std::vector<InputInfo>& inputs);

// The filters that scale an input's picture to width x height in the output's colour:
// its matrix and range read by its own tags (by its size where it has none), HDR
// brought to SDR as ITU-R BT.2408 describes (reference white of 203 cd/m2 becomes
// SDR white, the highlights above it roll off, BT.2020 primaries become BT.709).
std::string ColourScale(const InputInfo& input, const OutputColour& output, int width, int height);

// The output's tags, and what the encoder needs to write HDR.
std::vector<std::string> ColourArguments(const OutputColour& colour, const Encoding& encoding);
