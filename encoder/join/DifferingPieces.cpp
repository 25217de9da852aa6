#include "DifferingPieces.h"

#include "ChildRun.h"
#include "Console.h"
#include "FailureText.h"
#include "FfmpegPlan.h"
#include "JobError.h"
#include "Progress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

// The number under which a piece's H.264 headers are known; cameras and encoders number
// theirs 0, and x264 numbers its picture headers as its sequence headers.
constexpr const char* kPieceHeaderNumber = "7";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// libavcodec's names of the H.264 profiles as x264 takes them.
std::string X264Profile(const std::string& profile)
{
    static const std::map<std::string, std::string> profiles = {
        {"Constrained Baseline", "baseline"}, {"Baseline", "baseline"}, {"Main", "main"}, {"High", "high"},
        {"High 10", "high10"}, {"High 4:2:2", "high422"}, {"High 4:4:4 Predictive", "high444"}};
    const auto found = profiles.find(profile);
    return found == profiles.end() ? std::string() : found->second;
}

// The piece keeps the first input's kind of file: ".mp4", ".avi", ...
std::string Ending(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || path.size() - dot > 6)
        return ".mkv";
    return Lower(path.substr(dot));
}

std::string SoundEncoderOf(const std::string& codec)
{
    return codec == "mp3" ? "libmp3lame" : codec;
}

std::vector<std::string> VideoEncoding(const StreamFacts& first)
{
    const std::string& codec = first.Video().codec;
    if (codec != "h264")
        return {"-c:v", codec, "-q:v", "2"};
    // x264's default speed takes twice as long for a picture a viewer cannot tell apart: at
    // this speed and quality the piece comes as close to its source as the profile's
    // encodes do (bench/reencode).
    std::vector<std::string> args = {"-c:v", "libx264", "-preset", "superfast", "-crf", "20", "-x264-params",
                                     std::string("sps-id=") + kPieceHeaderNumber + ":repeat-headers=1"};
    if (const std::string profile = X264Profile(first.Video().profile); !profile.empty())
        args.insert(args.end(), {"-profile:v", profile});
    if (const int level = first.Video().level; level > 0)
        args.insert(args.end(), {"-level:v", std::to_string(level / 10) + "." + std::to_string(level % 10)});
    return args;
}

int EvenNear(double value)
{
    return std::max(2, 2 * static_cast<int>(std::lround(value / 2)));
}

// ffmpeg gives the input's pictures upright; the piece's are turned back as the first
// input's are stored, its turn undone, and fill as much of its frame as their shape as
// shown allows, with black bars at the sides or above and below.
std::string PictureFilters(const StreamFacts& first, const StreamFacts& input)
{
    const MediaStream& want = first.Video();
    std::string chain;
    if (want.turn == 90)
        chain = "transpose=cclock,";
    else if (want.turn == 180)
        chain = "hflip,vflip,";
    else if (want.turn == 270)
        chain = "transpose=clock,";
    const double pixel = want.pixelAspect.Valid() ? want.pixelAspect.Value() : 1.0;
    const double shown = input.Video().DisplayAspect();
    const double ratio = (want.turn % 180 == 90 ? 1 / shown : shown) / (want.width * pixel / want.height);
    int width = want.width;
    int height = want.height;
    if (ratio > 1.01)
        height = EvenNear(want.height / ratio);
    else if (ratio < 0.99)
        width = EvenNear(want.width * ratio);
    chain += "scale=" + std::to_string(width) + ":" + std::to_string(height);
    if (width != want.width || height != want.height)
        chain += ",pad=" + std::to_string(want.width) + ":" + std::to_string(want.height) + ":(ow-iw)/2:(oh-ih)/2:black";
    return chain + ",setsar=" + (want.pixelAspect.Valid() ? want.pixelAspect.Text(':') : "1:1") + ",fps="
        + want.frameRate.Text() + ",format=" + want.pixelFormat;
}

std::vector<std::string> PieceArguments(const StreamFacts& first, const StreamFacts& input, const std::string& piece)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-progress", "pipe:1", "-i",
                                     FileUrl(input.file.path)};
    const bool silent = first.audio >= 0 && input.audio < 0;
    const std::string sampleRate = std::to_string(first.Audio().sampleRate);
    if (silent)
        args.insert(args.end(), {"-f", "lavfi", "-i", "anullsrc=r=" + sampleRate});
    args.insert(args.end(), {"-map", "0:" + std::to_string(input.video)});
    if (first.audio >= 0)
        args.insert(args.end(), {"-map", silent ? std::string("1:a") : "0:" + std::to_string(input.audio)});
    args.insert(args.end(), {"-vf", PictureFilters(first, input)});
    const auto video = VideoEncoding(first);
    args.insert(args.end(), video.begin(), video.end());
    if (first.audio >= 0) {
        args.insert(args.end(), {"-af", "aresample=" + ChannelMix(first.Audio().channels), "-c:a",
                                 SoundEncoderOf(first.Audio().codec), "-ar", sampleRate, "-ac",
                                 std::to_string(first.Audio().channels)});
        if (first.Audio().bitRate > 0)
            args.insert(args.end(), {"-b:a", std::to_string(first.Audio().bitRate)});
        // The made-up silence lasts as long as the picture.
        if (silent)
            args.push_back("-shortest");
    }
    // The piece lasts as long as its picture, whose end the next input follows: an MP4's
    // index states it, other files' packets were all read.
    const double pictureSeconds =
        input.IsQuickTime() ? input.Video().duration : input.picture.end - input.picture.start;
    if (pictureSeconds > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.6f", pictureSeconds);
        args.insert(args.end(), {"-t", seconds});
    }
    const Fraction& timeBase = first.Video().timeBase;
    if (first.IsQuickTime() && timeBase.num == 1)
        args.insert(args.end(), {"-video_track_timescale", std::to_string(timeBase.den)});
    args.insert(args.end(), {"-map_metadata", "-1", "-y", FileUrl(piece)});
    return args;
}

} // namespace

std::string WhyPiecesCannotMatch(const Encoding& encoding, const StreamFacts& first,
                                 const std::vector<const StreamFacts*>& differing)
{
    const std::string& codec = first.Video().codec;
    const bool headersInPictures = codec == "mpeg1video" || codec == "mpeg2video";
    if (codec != "h264" && !headersInPictures)
        return "newly encoded " + codec + " pictures would need codec headers of their own, which the output"
               " cannot carry beside those of the copied pictures";
    if (codec == "h264" && X264Profile(first.Video().profile).empty())
        return "the H.264 profile " + first.Video().profile + " of " + first.file.path + " cannot be encoded again";
    if (headersInPictures && encoding.container != Container::MpegPs && encoding.container != Container::Vob)
        return "newly encoded " + codec + " pictures keep their headers in MPEG files only";
    const auto range = [](const StreamFacts& f) { return f.Video().colourTransfer; };
    for (const StreamFacts* input : differing) {
        const bool hdr = range(*input) == "arib-std-b67" || range(*input) == "smpte2084";
        const bool firstHdr = range(first) == "arib-std-b67" || range(first) == "smpte2084";
        if (hdr != firstHdr || (hdr && range(*input) != range(first)))
            return "HDR and SDR pictures cannot be matched without converting their colours";
    }
    return {};
}

std::vector<std::string> EncodeMatchingPieces(const StreamFacts& first, const std::vector<const StreamFacts*>& differing,
                                              PrivateFolder& folder, double total)
{
    std::vector<std::string> pieces;
    double before = 0;
    for (const StreamFacts* input : differing) {
        pieces.push_back(folder.NewName(Ending(first.file.path)));
        Progress progress;
        std::string errors;
        const ChildRunResult run = RunChild(
            PieceArguments(first, *input, pieces.back()),
            {[&](std::string_view text) { progress.Feed(text); },
             [&](std::string_view text) { KeepTail(errors, std::string(text)); },
             [&] { WriteOut(PosLine(before + progress.seconds(), progress.frames(), total)); }});
        if (run.stopSignal != 0)
            return {};
        if (FfmpegFailed(run.status, errors))
            throw JobError(input->file.path + " could not be encoded to match " + first.file.path + ": "
                           + DescribeFfmpegFailure(run.status, errors, pieces.back(), {input->file.path}));
        before += input->duration;
    }
    return pieces;
}
