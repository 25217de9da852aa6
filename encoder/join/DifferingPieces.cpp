#include "DifferingPieces.h"

#include "ChildRun.h"
#include "Console.h"
#include "FailureText.h"
#include "FfmpegPlan.h"
#include "JobError.h"
#include "Progress.h"

#include <cctype>
#include <cstdlib>
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

// ffprobe's names of the H.264 profiles as x264 takes them.
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
    const std::string codec = first.Video("codec_name");
    if (codec != "h264")
        return {"-c:v", codec, "-q:v", "2"};
    std::vector<std::string> args = {"-c:v", "libx264", "-x264-params",
                                     std::string("sps-id=") + kPieceHeaderNumber + ":repeat-headers=1"};
    if (const std::string profile = X264Profile(first.Video("profile")); !profile.empty())
        args.insert(args.end(), {"-profile:v", profile});
    if (const int level = std::atoi(first.Video("level").c_str()); level > 0)
        args.insert(args.end(), {"-level:v", std::to_string(level / 10) + "." + std::to_string(level % 10)});
    return args;
}

std::vector<std::string> PieceArguments(const StreamFacts& first, const StreamFacts& input, const std::string& piece)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-progress", "pipe:1", "-i",
                                     FileUrl(input.file.path)};
    const bool silent = first.audio >= 0 && input.audio < 0;
    if (silent)
        args.insert(args.end(), {"-f", "lavfi", "-i", "anullsrc=r=" + first.Audio("sample_rate")});
    args.insert(args.end(), {"-map", "0:" + std::to_string(input.video)});
    if (first.audio >= 0)
        args.insert(args.end(), {"-map", silent ? std::string("1:a") : "0:" + std::to_string(input.audio)});
    std::string aspect = first.Video("sample_aspect_ratio");
    if (aspect.empty() || aspect == "0:1" || aspect == "N/A")
        aspect = "1:1";
    args.insert(args.end(), {"-vf", "scale=" + first.Video("width") + ":" + first.Video("height") + ",setsar="
                                         + aspect + ",fps=" + first.Video("r_frame_rate") + ",format="
                                         + first.Video("pix_fmt")});
    const auto video = VideoEncoding(first);
    args.insert(args.end(), video.begin(), video.end());
    if (first.audio >= 0) {
        args.insert(args.end(), {"-af", "aresample=" + ChannelMix(std::atoi(first.Audio("channels").c_str())), "-c:a",
                                 SoundEncoderOf(first.Audio("codec_name")), "-ar", first.Audio("sample_rate"), "-ac",
                                 first.Audio("channels")});
        if (const std::string rate = first.Audio("bit_rate"); std::atol(rate.c_str()) > 0)
            args.insert(args.end(), {"-b:a", rate});
        // The made-up silence lasts as long as the picture.
        if (silent)
            args.push_back("-shortest");
    }
    const std::string timeBase = first.Video("time_base");
    if (first.IsQuickTime() && timeBase.starts_with("1/"))
        args.insert(args.end(), {"-video_track_timescale", timeBase.substr(2)});
    args.insert(args.end(), {"-map_metadata", "-1", "-y", FileUrl(piece)});
    return args;
}

} // namespace

std::string WhyPiecesCannotMatch(const Encoding& encoding, const StreamFacts& first,
                                 const std::vector<const StreamFacts*>& differing)
{
    const std::string codec = first.Video("codec_name");
    const bool headersInPictures = codec == "mpeg1video" || codec == "mpeg2video";
    if (codec != "h264" && !headersInPictures)
        return "newly encoded " + codec + " pictures would need codec headers of their own, which the output"
               " cannot carry beside those of the copied pictures";
    if (codec == "h264" && X264Profile(first.Video("profile")).empty())
        return "the H.264 profile " + first.Video("profile") + " of " + first.file.path + " cannot be encoded again";
    if (headersInPictures && encoding.container != Container::MpegPs && encoding.container != Container::Vob)
        return "newly encoded " + codec + " pictures keep their headers in MPEG files only";
    const auto range = [](const StreamFacts& f) { return f.Video("color_transfer"); };
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
        if (ExitCodeOf(run.status) != 0)
            throw JobError(input->file.path + " could not be encoded to match " + first.file.path + ": " + errors);
        before += input->duration;
    }
    return pieces;
}
