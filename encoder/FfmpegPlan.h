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

// The filter graph that brings every input to the output format and joins them in order.
// An input without sound gets silence of its own length; each input's sound is cut or
// padded to its picture's length so that the two stay together at every joint.
std::string BuildFilterGraph(const OutputFormat& format, const Encoding& encoding,
                             const std::vector<InputInfo>& inputs);

// The whole ffmpeg command (argv[0] included), writing to target with the chosen muxer
// and sending its progress reports to its standard output.
std::vector<std::string> BuildFfmpegArguments(const Request& request, const Encoding& encoding,
                                              const std::vector<InputInfo>& inputs,
                                              const std::string& target);

// A frame rate as ffmpeg reads it: NTSC rates exactly, others as a decimal.
std::string FrameRateText(double rate);
