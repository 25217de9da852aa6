#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "Request.h"

#include <string>
#include <vector>

// The light a picture's signal stands for: standard range, or HDR as HLG or PQ.
enum class Dynamic { Sdr, Hlg, Pq };
// By the transfer tag in libavutil's words ("arib-std-b67" is HLG, "smpte2084" PQ).
Dynamic DynamicOfTransfer(const std::string& transfer);
Dynamic DynamicOf(const InputInfo& input);
// The transfer tag of the kind; empty for SDR, which has several.
std::string TransferOf(Dynamic dynamic);
// "HDR (HLG)", "HDR (PQ)" or "SDR", for the user.
std::string DynamicWords(Dynamic dynamic);

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

// An intermediate file (no codec named, in the job's folder) of HDR pictures keeps them
// for the join, which encodes them again: as 10-bit H.264, which AVI holds and whose own
// headers tag the colours. Any other encoding is given back as it is.
Encoding KeepingHdr(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs);

// HDR is kept where the encoding keeps it and every input is HDR of one kind. Everything
// else is SDR: BT.709 from HD sizes up and BT.601 below, as players assume of pictures
// whose tags they cannot read (AVI keeps none), Motion JPEG full range BT.601 as JPEG is.
OutputColour ChooseOutputColour(const Encoding& encoding, int width, int height,
                                const std::vector<InputInfo>& inputs);

// "a.mp4 is HLG, b.mp4 is SDR: the output is SDR" where the encoding keeps HDR but the
// inputs are of more than one kind; empty otherwise.
std::string MixedDynamicsNote(const Encoding& encoding, const std::vector<InputInfo>& inputs);

// The filters that scale an input's picture to width x height in the output's colour:
// its matrix and range read by its own tags (by its size where it has none), HDR
// brought to SDR as ITU-R BT.2408 describes (reference white of 203 cd/m2 becomes
// SDR white, the highlights above it roll off, BT.2020 primaries become BT.709).
std::string ColourScale(const InputInfo& input, const OutputColour& output, int width, int height);

// The output's tags, and what the encoder needs to write HDR.
std::vector<std::string> ColourArguments(const OutputColour& colour, const Encoding& encoding);
