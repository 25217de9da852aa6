#include "Encoding.h"

#include "UsageError.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace {

struct ContainerRule {
    const char* extensionName; // for messages
    const char* muxer;
    std::set<std::string> videoEncoders;
    std::set<std::string> audioEncoders;
};

const std::set<std::string> kAllVideo = {"mpeg4", "msmpeg4v2", "msmpeg4", "wmv1", "wmv2",
    "mpeg1video", "mpeg2video", "libx264", "flv", "mjpeg"};
const std::set<std::string> kMatroskaVideo = [] {
    std::set<std::string> codecs = kAllVideo;
    codecs.insert({"libx265", "libvpx-vp9"});
    return codecs;
}();

// Pairs ffmpeg writes but cannot read back (or writes badly) are left out on purpose:
// MPEG-PS with the Windows Media and Sorenson codecs, QuickTime with WMA and with the
// codecs ffmpeg warns may be unplayable there (wmv1, wmv2, flv, msmpeg4v2), VOB with H.264.
const std::map<Container, ContainerRule>& Rules()
{
    static const std::map<Container, ContainerRule> rules = {
        {Container::Avi, {"AVI", "avi", kAllVideo,
            {"libmp3lame", "mp2", "ac3", "wmav1", "wmav2", "aac", "pcm_s16le"}}},
        {Container::Asf, {"ASF/WMV", "asf", kAllVideo,
            {"libmp3lame", "mp2", "ac3", "wmav1", "wmav2", "aac", "pcm_s16le"}}},
        {Container::Mov, {"QuickTime (.mov)", "mov", {"mpeg4", "msmpeg4", "mpeg1video", "mpeg2video", "libx264",
                                                      "mjpeg"},
            {"libmp3lame", "mp2", "ac3", "aac", "pcm_s16le"}}},
        {Container::Mp4, {"MP4", "mp4", {"mpeg4", "mpeg1video", "mpeg2video", "libx264", "libx265", "mjpeg"},
            {"libmp3lame", "mp2", "ac3", "aac"}}},
        {Container::MpegPs, {"MPEG program stream (.mpg)", "mpeg", {"mpeg4", "mpeg1video", "mpeg2video", "libx264"},
            {"libmp3lame", "mp2", "ac3", "pcm_s16be"}}},
        {Container::Vob, {"DVD VOB", "vob", {"mpeg4", "mpeg1video", "mpeg2video"},
            {"libmp3lame", "mp2", "ac3", "pcm_s16be"}}},
        {Container::Flv, {"FLV", "flv", {"flv", "libx264"}, {"libmp3lame", "aac", "pcm_s16le"}}},
        {Container::Matroska, {"Matroska (.mkv)", "matroska", kMatroskaVideo,
            {"flac", "libmp3lame", "mp2", "ac3", "aac", "libopus", "pcm_s16le"}}},
        {Container::WebM, {"WebM", "webm", {"libvpx-vp9"}, {"libopus"}}},
    };
    return rules;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string VideoEncoderFor(const std::string& codec)
{
    if (codec.empty())
        return "mpeg4";
    if (codec == "h264")
        return "libx264";
    if (codec == "hevc")
        return "libx265";
    if (codec == "vp9")
        return "libvpx-vp9";
    return codec;
}

std::string AudioEncoderFor(const Request& request, Container container)
{
    if (request.piece)
        return "flac";
    switch (request.audio) {
    case Request::Audio::Mp3Lame:
        return "libmp3lame";
    case Request::Audio::Pcm:
        return container == Container::MpegPs || container == Container::Vob ? "pcm_s16be" : "pcm_s16le";
    case Request::Audio::Lavc:
        break;
    }
    if (request.audioCodec == "mp3")
        return "libmp3lame";
    if (request.audioCodec == "opus")
        return "libopus";
    return request.audioCodec;
}

std::vector<int> SampleRatesFor(const std::string& audioEncoder, Container container)
{
    if (container == Container::Flv && audioEncoder != "aac")
        return {44100, 22050, 11025};
    // DVD players take sound at 48 kHz only.
    if (container == Container::Vob && !audioEncoder.empty())
        return {48000};
    if (audioEncoder == "ac3")
        return {48000, 44100, 32000};
    if (audioEncoder == "mp2")
        return {48000, 44100, 32000, 24000, 22050, 16000};
    if (audioEncoder == "libmp3lame" || audioEncoder == "wmav1" || audioEncoder == "wmav2")
        return {48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
    if (audioEncoder == "libopus")
        return {48000, 24000, 16000, 12000, 8000};
    if (audioEncoder == "aac")
        return {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
    return {};
}

int MaxChannelsFor(const std::string& audioEncoder)
{
    if (audioEncoder == "ac3")
        return 6;
    if (audioEncoder == "aac" || audioEncoder == "flac" || audioEncoder == "libopus"
        || audioEncoder.rfind("pcm_", 0) == 0)
        return 8;
    return 2;
}

} // namespace

std::string CodecNameForMessage(const std::string& encoder)
{
    if (encoder == "libmp3lame")
        return "mp3";
    if (encoder == "libx264")
        return "h264";
    if (encoder == "libx265")
        return "hevc";
    if (encoder == "libvpx-vp9")
        return "vp9";
    if (encoder == "libopus")
        return "opus";
    if (encoder.rfind("pcm_", 0) == 0)
        return "pcm";
    return encoder;
}

Container ContainerForPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
        ? std::string()
        : Lower(path.substr(dot));
    static const std::map<std::string, Container> byExtension = {
        {".avi", Container::Avi}, {".mpg", Container::MpegPs}, {".mpeg", Container::MpegPs},
        {".vob", Container::Vob}, {".mp4", Container::Mp4}, {".mov", Container::Mov},
        {".wmv", Container::Asf}, {".asf", Container::Asf}, {".flv", Container::Flv},
        {".mkv", Container::Matroska}, {".webm", Container::WebM}};
    const auto found = byExtension.find(extension);
    if (found == byExtension.end())
        throw UsageError("Unsupported output file type \"" + extension + "\" for " + path
                         + " (use .avi, .mpg, .vob, .mp4, .mov, .wmv, .asf, .flv, .mkv or .webm)");
    return found->second;
}

Encoding ChooseEncoding(const Request& request)
{
    Encoding encoding;
    if (request.piece && Lower(request.output).ends_with(".mkv"))
        encoding.container = Container::Matroska;
    else if (request.piece)
        throw UsageError("A piece is written as Matroska: name it .mkv (output " + request.output + ")");
    else
        encoding.container = ContainerForPath(request.output);
    const ContainerRule& rule = Rules().at(encoding.container);
    encoding.muxer = rule.muxer;
    if (request.copyStreams) {
        encoding.videoEncoder = "copy";
        encoding.audioEncoder = "copy";
        return encoding;
    }
    encoding.videoEncoder = VideoEncoderFor(request.videoCodec);
    encoding.audioEncoder = AudioEncoderFor(request, encoding.container);
    if (!rule.videoEncoders.count(encoding.videoEncoder))
        throw UsageError("The " + std::string(rule.extensionName) + " container cannot hold the video codec "
                         + CodecNameForMessage(encoding.videoEncoder) + " (output " + request.output + ")");
    if (!rule.audioEncoders.count(encoding.audioEncoder))
        throw UsageError("The " + std::string(rule.extensionName) + " container cannot hold the audio codec "
                         + CodecNameForMessage(encoding.audioEncoder) + " (output " + request.output + ")");
    encoding.pixelFormat = encoding.videoEncoder == "mjpeg" ? "yuvj420p" : "yuv420p";
    encoding.keepsHdr = encoding.videoEncoder == "libx265";
    encoding.mpegVideoFamily = encoding.videoEncoder != "libx264" && encoding.videoEncoder != "libx265"
        && encoding.videoEncoder != "libvpx-vp9";
    // Apple's players play HEVC in MP4 and QuickTime only under this entry.
    if (encoding.videoEncoder == "libx265" && encoding.container != Container::Matroska)
        encoding.videoTag = "hvc1";
    encoding.standardFrameRatesOnly = encoding.videoEncoder == "mpeg1video" || encoding.videoEncoder == "mpeg2video";
    encoding.sampleRates = SampleRatesFor(encoding.audioEncoder, encoding.container);
    encoding.maxChannels = MaxChannelsFor(encoding.audioEncoder);
    if (request.channels > encoding.maxChannels)
        throw UsageError("Impossible value for -channels: " + std::to_string(request.channels) + " (the audio codec "
                         + CodecNameForMessage(encoding.audioEncoder) + " carries at most "
                         + std::to_string(encoding.maxChannels) + ")");
    return encoding;
}

std::string ContainerName(Container container)
{
    return Rules().at(container).extensionName;
}

int NearestSampleRate(const Encoding& encoding, int wanted)
{
    if (encoding.sampleRates.empty())
        return wanted;
    int best = encoding.sampleRates.front();
    for (const int rate : encoding.sampleRates)
        if (std::abs(rate - wanted) < std::abs(best - wanted))
            best = rate;
    return best;
}

double AllowedFrameRate(const Encoding& encoding, double wanted)
{
    if (!encoding.standardFrameRatesOnly)
        return wanted;
    static const double rates[] = {24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
    double best = rates[0];
    for (const double rate : rates)
        if (std::fabs(rate - wanted) < std::fabs(best - wanted))
            best = rate;
    return best;
}
