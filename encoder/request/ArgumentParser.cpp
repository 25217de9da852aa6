#include "ArgumentParser.h"

#include "Encoding.h"
#include "UsageError.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace {

std::optional<long> ParseWhole(const std::string& text)
{
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

long WholeInRange(const std::string& option, const std::string& text, long low, long high)
{
    if (text.empty())
        throw UsageError("Missing value for " + option);
    const auto value = ParseWhole(text);
    if (!value || *value < low || *value > high)
        throw UsageError("Impossible value for " + option + ": \"" + text + "\" (allowed "
                         + std::to_string(low) + " to " + std::to_string(high) + ")");
    return *value;
}

struct SubOption {
    std::string key;
    std::string value;
    bool hasValue = false;
};

// Splits "a=1:b:c=2". An aspect written W:H has its own colon, so a bare number
// right after "aspect=W" is taken as its H part.
std::vector<SubOption> SplitSubOptions(const std::string& option, const std::string& text)
{
    if (text.empty())
        throw UsageError("Missing value for " + option);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        pieces.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    std::vector<SubOption> result;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string& piece = pieces[i];
        if (piece.empty())
            continue;
        SubOption sub;
        const std::size_t equals = piece.find('=');
        sub.key = piece.substr(0, equals);
        if (equals != std::string::npos) {
            sub.hasValue = true;
            sub.value = piece.substr(equals + 1);
        }
        if (sub.key == "aspect" && ParseWhole(sub.value) && i + 1 < pieces.size()
            && ParseWhole(pieces[i + 1])) {
            sub.value += ":" + pieces[++i];
        }
        result.push_back(std::move(sub));
    }
    return result;
}

std::string NeedValue(const std::string& option, const SubOption& sub)
{
    if (!sub.hasValue || sub.value.empty())
        throw UsageError("Missing value for " + sub.key + " in " + option);
    return sub.value;
}

const std::vector<std::string> kVideoCodecs = {"mpeg4", "msmpeg4v2", "msmpeg4", "wmv1", "wmv2",
    "mpeg1video", "mpeg2video", "h264", "libx264", "flv", "mjpeg", "hevc", "vp9"};
const std::vector<std::string> kAudioCodecs = {"mp2", "ac3", "wmav1", "wmav2", "aac", "mp3",
    "libmp3lame", "opus"};

bool Contains(const std::vector<std::string>& list, const std::string& value)
{
    for (const auto& item : list)
        if (item == value)
            return true;
    return false;
}

void ApplyLavcopts(Request& request, const std::string& text)
{
    const std::string option = "-lavcopts";
    for (const SubOption& sub : SplitSubOptions(option, text)) {
        if (sub.key == "vcodec") {
            const std::string codec = NeedValue(option, sub);
            if (!Contains(kVideoCodecs, codec))
                throw UsageError("Unknown video codec in -lavcopts: vcodec=" + codec);
            request.videoCodec = codec;
        } else if (sub.key == "vbitrate") {
            const long value = WholeInRange("vbitrate in " + option, NeedValue(option, sub), 1, 100000000);
            // As in MEncoder: small numbers are kbit/s, large ones bit/s.
            request.videoBitrate = value > 16000 ? value : value * 1000;
        } else if (sub.key == "mbd") {
            request.mbd = static_cast<int>(WholeInRange("mbd in " + option, NeedValue(option, sub), 0, 2));
        } else if (sub.key == "autoaspect") {
            request.autoAspect = !sub.hasValue || sub.value != "0";
        } else if (sub.key == "aspect") {
            const std::string value = NeedValue(option, sub);
            const auto aspect = ParseAspect(value);
            if (!aspect)
                throw UsageError("Impossible value for aspect in -lavcopts: \"" + value + "\"");
            request.aspect = aspect;
        } else if (sub.key == "acodec") {
            const std::string codec = NeedValue(option, sub);
            if (!Contains(kAudioCodecs, codec))
                throw UsageError("Unknown audio codec in -lavcopts: acodec=" + codec);
            request.audioCodec = codec;
        } else if (sub.key == "abitrate") {
            request.audioBitrate = static_cast<int>(WholeInRange("abitrate in " + option, NeedValue(option, sub), 8, 1536));
        } else {
            throw UsageError("Unknown sub-option in -lavcopts: " + sub.key);
        }
    }
}

void ApplyLameopts(Request& request, const std::string& text)
{
    const std::string option = "-lameopts";
    for (const SubOption& sub : SplitSubOptions(option, text)) {
        if (sub.key == "vbr") {
            // MEncoder's modes: 0 cbr, 1 mt, 2 rh, 3 abr, 4 mtrh.
            const long mode = WholeInRange("vbr in " + option, NeedValue(option, sub), 0, 4);
            request.lameMode = mode == 0 ? Request::LameMode::Cbr
                : mode == 3              ? Request::LameMode::Abr
                                         : Request::LameMode::Vbr;
        } else if (sub.key == "cbr" && !sub.hasValue) {
            request.lameMode = Request::LameMode::Cbr;
        } else if (sub.key == "abr" && !sub.hasValue) {
            request.lameMode = Request::LameMode::Abr;
        } else if (sub.key == "q") {
            request.lameQuality = static_cast<int>(WholeInRange("q in " + option, NeedValue(option, sub), 0, 9));
        } else if (sub.key == "br") {
            request.lameBitrate = static_cast<int>(WholeInRange("br in " + option, NeedValue(option, sub), 8, 320));
        } else {
            throw UsageError("Unknown sub-option in -lameopts: " + sub.key);
        }
    }
    if (request.lameMode != Request::LameMode::Vbr && request.lameBitrate == 0)
        throw UsageError("Missing value for br in -lameopts (needed by cbr and abr)");
}

// The video codecs take only even frame sizes.
int EvenSize(const std::string& option, const std::string& text)
{
    const long size = WholeInRange(option, text, 16, 8192);
    if (size % 2 != 0)
        throw UsageError("Impossible value for " + option + ": \"" + text + "\" (must be even)");
    return static_cast<int>(size);
}

void ApplyScale(Request& request, const std::string& size)
{
    const std::size_t colon = size.find(':');
    const std::string option = "-vf scale";
    request.scaleWidth = EvenSize(option + " width", size.substr(0, colon));
    request.scaleHeight = colon == std::string::npos ? 0 : EvenSize(option + " height", size.substr(colon + 1));
}

// A chain of filters split at commas. harddup asks that no frame be dropped, which the
// output never does, so it needs nothing.
void ApplyVideoFilters(Request& request, const std::string& text)
{
    if (text.empty())
        throw UsageError("Missing value for -vf");
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string filter = text.substr(start, comma - start);
        if (filter.rfind("scale=", 0) == 0)
            ApplyScale(request, filter.substr(6));
        else if (filter != "harddup")
            throw UsageError("Unknown video filter in -vf: " + filter.substr(0, filter.find('='))
                             + " (scale and harddup are known)");
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}

// A rate as a decimal or as a fraction such as 30000/1001.
std::string CheckedFrameRate(const std::string& text)
{
    if (text.empty())
        throw UsageError("Missing value for -ofps");
    const std::size_t slash = text.find('/');
    std::optional<double> rate = ParseDecimal(text.substr(0, slash));
    if (rate && slash != std::string::npos) {
        const auto denominator = ParseDecimal(text.substr(slash + 1));
        rate = denominator && *denominator > 0 ? std::optional<double>(*rate / *denominator) : std::nullopt;
    }
    if (!rate || *rate < 1 || *rate > 240)
        throw UsageError("Impossible value for -ofps: \"" + text + "\"");
    return text;
}

} // namespace

std::optional<double> ParseAspect(const std::string& text)
{
    const std::size_t split = text.find_first_of(":/");
    std::optional<double> value;
    if (split == std::string::npos) {
        value = ParseDecimal(text);
    } else {
        const auto width = ParseDecimal(text.substr(0, split));
        const auto height = ParseDecimal(text.substr(split + 1));
        if (width && height && *height > 0)
            value = *width / *height;
    }
    if (!value || *value < 0.1 || *value > 10)
        return std::nullopt;
    return value;
}

Request ParseArguments(const std::vector<std::string>& args)
{
    Request request;
    bool haveOutput = false;
    bool copyVideo = false;
    bool copyAudio = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // After "--" every word is an input, whatever it looks like.
        if (optionsEnded) {
            request.inputs.push_back(arg);
            continue;
        }
        // Option texts are split at blanks by the caller; runs of blanks leave empty words.
        if (arg.empty())
            continue;
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[0] != '-' || arg == "-") {
            request.inputs.push_back(arg);
            continue;
        }
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError("Missing value for " + arg);
            return args[++i];
        };
        if (arg == "-o") {
            request.output = value();
            if (request.output.empty())
                throw UsageError("Missing value for -o");
            haveOutput = true;
        } else if (arg == "-ovc") {
            const std::string codec = value();
            if (codec != "lavc" && codec != "copy")
                throw UsageError("Unknown value for -ovc: \"" + codec + "\" (lavc or copy)");
            copyVideo = codec == "copy";
        } else if (arg == "-oac") {
            const std::string codec = value();
            if (codec == "mp3lame")
                request.audio = Request::Audio::Mp3Lame;
            else if (codec == "pcm")
                request.audio = Request::Audio::Pcm;
            else if (codec == "lavc")
                request.audio = Request::Audio::Lavc;
            else if (codec != "copy" && codec != "once")
                throw UsageError("Unknown value for -oac: \"" + codec + "\" (mp3lame, pcm, lavc, copy or once)");
            copyAudio = codec == "copy" || codec == "once";
            request.soundOnce = codec == "once";
        } else if (arg == "-lavcopts") {
            ApplyLavcopts(request, value());
        } else if (arg == "-lameopts") {
            ApplyLameopts(request, value());
        } else if (arg == "-ofps") {
            request.frameRate = CheckedFrameRate(value());
        } else if (arg == "-vf") {
            ApplyVideoFilters(request, value());
        } else if (arg == "-channels") {
            request.channels = static_cast<int>(WholeInRange(arg, value(), 1, 8));
        } else if (arg == "-srate") {
            request.sampleRate = static_cast<int>(WholeInRange(arg, value(), 8000, 96000));
        } else if (arg == "-noreplace") {
            request.output.keepExisting = true;
        } else if (arg == "-reencode-differing") {
            request.reencodeDiffering = true;
        } else if (arg == "-piece") {
            request.piece = true;
        } else if (arg == "-evenloudness") {
            request.evenLoudness = true;
        } else if (arg == "-piecefor") {
            request.pieceFor = value();
            ContainerForPath("." + request.pieceFor);
        } else if (arg == "-tracks") {
            const std::string tracks = value();
            if (tracks != "all" && tracks != "first")
                throw UsageError("Unknown value for -tracks: \"" + tracks + "\" (all or first)");
            request.allTracks = tracks == "all";
        } else if (arg == "-chaptertitle") {
            request.chapterTitles.push_back(value());
        } else if (arg == "-of") {
            // The container follows the output's extension; -of only has to name a known muxer.
            const std::string format = value();
            if (format != "avi" && format != "mpeg" && format != "lavf")
                throw UsageError("Unknown value for -of: \"" + format + "\" (avi, mpeg or lavf)");
        } else {
            throw UsageError("Unknown option: " + arg);
        }
    }
    if (!haveOutput)
        throw UsageError("No output file given (-o FILE)");
    if (request.inputs.empty())
        throw UsageError("No input file given");
    if (request.soundOnce && !copyVideo)
        throw UsageError("-oac once goes with -ovc copy: the pictures are copied and the sound encoded once");
    if (copyVideo != copyAudio)
        throw UsageError("-ovc copy and -oac copy go together: the inputs are joined as they are, or encoded");
    // A piece of several inputs takes a title for each of them.
    if (!request.chapterTitles.empty() && request.chapterTitles.size() < request.inputs.size())
        throw UsageError("-chaptertitle is given " + std::to_string(request.chapterTitles.size())
                         + " times for " + std::to_string(request.inputs.size()) + " inputs (once for each)");
    request.copyStreams = copyVideo;
    if (request.reencodeDiffering && !copyVideo)
        throw UsageError("-reencode-differing goes with -ovc copy");
    if (request.copyStreams && request.piece)
        throw UsageError("-piece needs an encoded picture, not -ovc copy");
    if (!request.pieceFor.empty() && !request.piece)
        throw UsageError("-piecefor goes with -piece");
    if (request.audio == Request::Audio::Lavc && request.audioCodec.empty() && !request.copyStreams)
        throw UsageError("Missing value for acodec in -lavcopts (needed by -oac lavc)");
    return request;
}
