#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "Request.h"

#include <string>
#include <vector>

// The output's picture and sound, settled from the request and the first input.
struct OutputFormat {
    int width = 0;
    int height = 0;
    double frameRate = 25;
    double displayAspect = 0; // 0: square pixels
    int sampleRate = 44100;
    int channels = 2;
};

OutputFormat ChooseOutputFormat(const Request& request, const Encoding& encoding,
                                const std::vector<InputInfo>& inputs);

// The output is made in parts side by side, then copied together: the sound in one
// ffmpeg run, the picture in one run per group of inputs (see VideoGroups). Each part
// is written to its run's fd 3: the picture in the output's own container, so that the
// encoder is set up for it, the sound in Matroska, which keeps every packet's time. The copying run gets
// the sound part at fd firstPartFd, the picture parts after it and, when there are
// several, the list that joins them last.
struct FfmpegPlan {
    std::vector<std::vector<std::string>> videoParts; // each sends its progress reports to its stdout
    std::vector<std::string> audioPart;
    std::vector<std::string> copy;
    std::string partList; // the concat list for several picture parts, else empty
};

FfmpegPlan BuildFfmpegPlan(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                           const std::string& target, int firstPartFd);

// The inputs whose picture one ffmpeg run encodes, in order. The inputs are shared out
// by length among up to `cores` runs: side by side they keep the cores busier than one
// encoder's own threads do (measured in bench/encoder).
std::vector<std::vector<InputInfo>> VideoGroups(const Encoding& encoding, const std::vector<InputInfo>& inputs,
                                                unsigned cores);

// The frames an input gives at the output rate; its sound is cut or padded to the same
// length, so that picture and sound meet at every joint. 0 when its length is unknown.
long FramesAt(const InputInfo& input, double frameRate);

// A frame rate as ffmpeg reads it: NTSC rates exactly, others as a decimal.
std::string FrameRateText(double rate);
