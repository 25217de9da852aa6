#include "CopyCheck.h"

#include "ExitCodes.h"
#include "JobError.h"
#include "QuickTimeBoxes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <set>

namespace {

struct CopyRule {
    const char* name;
    std::set<std::string> video; // ffprobe's codec names
    std::set<std::string> audio;
};

const CopyRule& Holds(Container container)
{
    static const std::map<Container, CopyRule> containers = {
        {Container::Avi, {"AVI", {"mpeg4", "msmpeg4v2", "msmpeg4v3", "wmv1", "wmv2", "mpeg1video", "mpeg2video",
                                    "h264", "mjpeg", "flv1"},
                            {"mp3", "mp2", "ac3", "wmav1", "wmav2", "aac", "pcm_s16le", "pcm_u8"}}},
        {Container::Asf, {"ASF/WMV", {"wmv1", "wmv2", "msmpeg4v2", "msmpeg4v3", "mpeg4", "h264", "mjpeg"},
                            {"wmav1", "wmav2", "mp3", "ac3", "aac", "pcm_s16le"}}},
        {Container::Mov, {"QuickTime (.mov)", {"h264", "hevc", "mpeg4", "mpeg1video", "mpeg2video", "mjpeg", "prores"},
                            {"aac", "mp3", "mp2", "ac3", "alac", "pcm_s16le", "pcm_s16be", "pcm_s24le"}}},
        {Container::Mp4, {"MP4", {"h264", "hevc", "mpeg4", "mpeg1video", "mpeg2video", "mjpeg"},
                            {"aac", "mp3", "mp2", "ac3", "alac"}}},
        {Container::MpegPs, {"MPEG program stream (.mpg)", {"mpeg1video", "mpeg2video", "mpeg4", "h264"},
                               {"mp2", "mp3", "ac3", "pcm_s16be"}}},
        {Container::Vob, {"DVD VOB", {"mpeg1video", "mpeg2video", "mpeg4"}, {"mp2", "mp3", "ac3", "pcm_s16be"}}},
        {Container::Flv, {"FLV", {"flv1", "h264"}, {"mp3", "aac"}}},
        {Container::Matroska, {"Matroska (.mkv)", {"h264", "hevc", "vp8", "vp9", "av1", "mpeg4", "mpeg1video",
                                                   "mpeg2video", "mjpeg", "prores"},
                               {"aac", "mp3", "mp2", "ac3", "eac3", "dts", "opus", "vorbis", "flac", "alac",
                                "pcm_s16le", "pcm_s24le"}}},
        {Container::WebM, {"WebM", {"vp8", "vp9", "av1"}, {"opus", "vorbis"}}},
    };
    return containers.at(container);
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// "30000/1001" as 29.97; 0 when it says nothing.
double RatioValue(const std::string& ratio)
{
    const std::size_t slash = ratio.find('/');
    const double den = slash == std::string::npos ? 1 : std::atof(ratio.c_str() + slash + 1);
    return den > 0 ? std::atof(ratio.c_str()) / den : 0;
}

// "30000/1001" as "29.97 fps".
std::string Rate(const std::string& ratio)
{
    const double rate = RatioValue(ratio);
    if (rate <= 0)
        return ratio;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g fps", rate);
    return text;
}

// What a copy carries over from the first input to every other: what the user calls it,
// how to read its value, and how to say it ("" for a checksum, which says nothing).
struct Trait {
    const char* what;
    std::string (*value)(const StreamFacts&);
    std::string (*say)(const std::string&);
};

std::string AsIs(const std::string& value) { return value; }
std::string Unsaid(const std::string&) { return {}; }
std::string Hertz(const std::string& value) { return value + " Hz"; }

const std::vector<Trait>& Traits()
{
    static const std::vector<Trait> traits = {
        {"video codec", [](const StreamFacts& f) { return f.Video("codec_name"); }, AsIs},
        {"frame size", [](const StreamFacts& f) { return f.Video("width") + "x" + f.Video("height"); }, AsIs},
        {"pixel format", [](const StreamFacts& f) { return f.Video("pix_fmt"); }, AsIs},
        {"frame rate", [](const StreamFacts& f) { return f.Video("r_frame_rate"); }, Rate},
        {"pixel aspect", [](const StreamFacts& f) { return f.Video("sample_aspect_ratio"); }, AsIs},
        {"video codec profile", [](const StreamFacts& f) { return f.Video("profile"); }, AsIs},
        {"video codec setup", [](const StreamFacts& f) { return f.Video("extradata_hash"); }, Unsaid},
        {"audio codec", [](const StreamFacts& f) { return f.Audio("codec_name"); }, AsIs},
        {"sample rate", [](const StreamFacts& f) { return f.Audio("sample_rate"); }, Hertz},
        {"number of sound channels", [](const StreamFacts& f) { return f.Audio("channels"); }, AsIs},
        {"audio codec setup", [](const StreamFacts& f) { return f.Audio("extradata_hash"); }, Unsaid},
    };
    return traits;
}

[[noreturn]] void Refuse(const StreamFacts& input, const StreamFacts& first, const std::string& fault)
{
    throw JobError(input.file.path + " cannot be joined to " + first.file.path + " without encoding: " + fault
                   + ". Choose an encoding profile to join them.");
}

void CheckContainerHolds(const Request& request, const Encoding& encoding, const StreamFacts& first)
{
    const CopyRule& container = Holds(encoding.container);
    const auto refuse = [&](const char* kind, const std::string& codec) {
        throw JobError("The " + std::string(container.name) + " container cannot hold the " + kind + " codec " + codec
                       + " of " + first.file.path + " without encoding it (output " + request.output + ")");
    };
    if (!container.video.count(first.Video("codec_name")))
        refuse("video", first.Video("codec_name"));
    if (first.audio >= 0 && !container.audio.count(first.Audio("codec_name")))
        refuse("audio", first.Audio("codec_name"));
    // A WMA decoder gives nothing for a stream's first frame but does for every input's
    // first frame after a joint: the sound would fall a frame behind at each one.
    if (const std::string codec = first.Audio("codec_name"); codec == "wmav1" || codec == "wmav2")
        throw JobError("The sound of " + first.file.path + " (" + codec
                       + ") cannot be joined without encoding it: it would fall behind the picture at every joint"
                       + " (output " + request.output + ")");
}

void CheckSameStreams(const StreamFacts& first, const StreamFacts& input)
{
    if ((first.audio >= 0) != (input.audio >= 0))
        Refuse(input, first, input.audio < 0 ? "it has no sound, " + first.file.path + " has"
                                             : "it has sound, " + first.file.path + " has none");
    for (const Trait& trait : Traits()) {
        const std::string want = trait.value(first);
        const std::string have = trait.value(input);
        if (want == have)
            continue;
        const std::string said = trait.say(have);
        Refuse(input, first,
               said.empty() ? "its " + std::string(trait.what) + " differs from " + first.file.path + "'s"
                            : "its " + std::string(trait.what) + " is " + said + ", " + first.file.path + "'s is "
                                  + trait.say(want));
    }
}

// Timestamps that start again or leap: a copy carries them into the output, where
// players stop, jump or lose the sound.
void CheckTimestampsRun(const StreamFacts& input)
{
    const bool clockStreams = FollowsTimestampJumps(input.Format());
    for (const PacketTimes* times : {&input.picture, &input.sound}) {
        const std::string fix = " Choose an encoding profile to join it.";
        if (times->stepBack > 0.1)
            throw JobError(input.file.path + " has timestamps that start again at " + Seconds(times->stepBackAt)
                           + " (files joined end to end?)." + fix);
        if (clockStreams && times->leap > kTimestampJumpSeconds)
            throw JobError(input.file.path + " has a hole of " + Seconds(times->leap) + " in its timestamps at "
                           + Seconds(times->leapAt) + "." + fix);
    }
}

// A file cut short copies packets that end in the middle: its data past the cut cannot be
// had without decoding what is there. Files of other kinds are joined as far as they can
// be read (CutShortNote says so).
void CheckWhole(const StreamFacts& input)
{
    if (input.IsQuickTime() && QuickTimeCutShort(input.file.path))
        throw JobError(input.file.path + " ends early: the file stops before the end of what its index lists (a"
                       " download cut short?). Choose an encoding profile to join what can be read.");
}

// 1/N as N; 0 for any other time base.
long long Steps(const std::string& timeBase)
{
    if (!timeBase.starts_with("1/"))
        return 0;
    return std::atoll(timeBase.c_str() + 2);
}

// The common time scale when the inputs' time bases differ and every input can be
// re-stamped (MP4 and QuickTime keep any scale); 0 when they are all the same.
long long TimeScale(const std::vector<StreamFacts>& inputs)
{
    const StreamFacts& first = inputs.front();
    bool same = true;
    long long scale = 1;
    for (const StreamFacts& input : inputs) {
        same = same && input.Video("time_base") == first.Video("time_base")
            && input.Audio("time_base") == first.Audio("time_base");
        scale = std::lcm(scale, std::max(1LL, Steps(input.Video("time_base"))));
    }
    if (same)
        return 0;
    constexpr long long kLargestScale = 2000000000;
    for (const StreamFacts& input : inputs) {
        const bool restampable = input.IsQuickTime() && Steps(input.Video("time_base")) > 0
            && scale <= kLargestScale;
        if (!restampable && input.Video("time_base") != first.Video("time_base"))
            Refuse(input, first, "its picture's times count in steps of " + input.Video("time_base") + " s, "
                                     + first.file.path + "'s in steps of " + first.Video("time_base") + " s");
        if (!restampable && input.Audio("time_base") != first.Audio("time_base"))
            Refuse(input, first, "its sound's times count in steps of " + input.Audio("time_base") + " s, "
                                     + first.file.path + "'s in steps of " + first.Audio("time_base") + " s");
    }
    return scale;
}

} // namespace

bool JoinsSoundAtPictureEnd(Container output)
{
    return output == Container::Avi || output == Container::MpegPs || output == Container::Vob
        || output == Container::Asf || output == Container::Matroska || output == Container::WebM;
}

CopyInputs CheckCopyInputs(const Request& request, const Encoding& encoding, const std::function<void()>& onTick)
{
    CopyInputs found;
    const bool soundByPicture = JoinsSoundAtPictureEnd(encoding.container);
    found.inputs = ProbeStreams(request.inputs, onTick,
                                soundByPicture ? PacketsRead::All : PacketsRead::AllButIndexed);
    if (found.inputs.size() < request.inputs.size()) {
        found.inputs.clear();
        return found;
    }
    // What the inputs hold, once read, is a reason of its own: the caller can point to an
    // encoding profile.
    try {
        const StreamFacts& first = found.inputs.front();
        CheckContainerHolds(request, encoding, first);
        for (const StreamFacts& input : found.inputs) {
            CheckSameStreams(first, input);
            CheckTimestampsRun(input);
            CheckWhole(input);
        }
        found.timeScale = TimeScale(found.inputs);
    } catch (const JobError& error) {
        throw JobError(error.what(), exitcode::NotJoinable);
    }
    return found;
}

std::string CutShortNote(const StreamFacts& input)
{
    // MPEG program and transport streams state no length of their own; MP4 and QuickTime
    // files are whole (CheckWhole), and their packets are not always all read.
    if (input.picture.count == 0 || FollowsTimestampJumps(input.Format()) || input.IsQuickTime())
        return {};
    const double rate = RatioValue(input.Video("r_frame_rate"));
    InputInfo info;
    info.path = input.file.path;
    const double pictureStated = std::max(std::atof(input.Video("duration").c_str()),
                                          rate > 0 ? std::atof(input.Video("nb_frames").c_str()) / rate : 0.0);
    // Matroska states only the file's length.
    info.statedDuration = pictureStated > 0 ? pictureStated : input.duration;
    info.readDuration = pictureStated > 0 ? input.picture.end - input.picture.start
                                          : std::max(input.picture.end, input.sound.end) - input.start;
    return EndsEarlyNote(info);
}
