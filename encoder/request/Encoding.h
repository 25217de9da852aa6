#pragma once

#include "Request.h"

#include <string>
#include <vector>

// Matroska holds the outputs named .mkv and the pieces of a later join (-piece).
enum class Container { Avi, MpegPs, Vob, Mp4, Mov, Asf, Flv, Matroska, WebM };

// What ffmpeg is asked to write, after the container's rules have been applied.
struct Encoding {
    Container container = Container::Avi;
    std::string muxer;        // ffmpeg's -f name
    std::string videoEncoder; // ffmpeg's encoder name
    std::string pixelFormat;
    bool keepsHdr = false; // HDR pictures are stored as they are, else brought to SDR
    std::string videoTag; // the sample entry that players look for, where the muxer's own is not it
    bool mpegVideoFamily = false;      // takes -mbd and -q:v
    bool standardFrameRatesOnly = false; // MPEG-1/2 know only a fixed set of rates
    std::string audioEncoder;
    std::vector<int> sampleRates; // the rates the codec and container allow, best first
    int maxChannels = 2;
};

// The container named by the output's extension (case does not matter).
// Throws UsageError for an extension the program cannot write.
Container ContainerForPath(const std::string& path);

// Picks the ffmpeg encoders for the request and checks them against the container,
// replacing a codec by its nearest form where the container has one (PCM is big-endian
// in MPEG program streams). Throws UsageError naming a codec the container refuses.
// A piece keeps its sound losslessly (FLAC) for the join to encode; a join of copied
// streams (-ovc copy) has its encoders named "copy", its codecs being the inputs'.
Encoding ChooseEncoding(const Request& request);

// The container's name for messages: "AVI", "Matroska (.mkv)".
std::string ContainerName(Container container);

// The allowed sample rate nearest to the wanted one.
int NearestSampleRate(const Encoding& encoding, int wanted);

// The frame rate to write: the wanted one, or for MPEG-1/2 the nearest standard rate.
double AllowedFrameRate(const Encoding& encoding, double wanted);

// The codec's name as ffprobe gives it for what an encoder writes ("h264" for libx264),
// except that every PCM is "pcm".
std::string CodecNameForMessage(const std::string& encoder);
