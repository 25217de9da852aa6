#include "CopyCheck.h"

#include "Console.h"
#include "Progress.h"
#include "DifferingPieces.h"
#include "ExitCodes.h"
#include "JobError.h"
#include "PictureColour.h"
#include "QuickTimeBoxes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>

namespace {

struct CopyRule {
    const char* name;
    std::set<std::string> video; // libavcodec's codec names
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

std::string NameOf(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// A pixel shape in its lowest terms; one that says nothing is a square one.
std::string PixelAspect(const StreamFacts& facts)
{
    const Fraction aspect = facts.Video().pixelAspect;
    const long long common = aspect.Valid() ? std::gcd(aspect.num, aspect.den) : 1;
    return aspect.Valid() ? Fraction{aspect.num / common, aspect.den / common}.Text(':') : "1:1";
}

std::string DynamicRange(const StreamFacts& facts)
{
    return DynamicWords(DynamicOfTransfer(facts.Video().colourTransfer));
}

std::string Tagged(const std::string& tag)
{
    return tag.empty() ? "unspecified" : tag;
}

// H.264 counts its levels in tenths: 31 is 3.1.
std::string Level(const StreamFacts& facts)
{
    const int level = facts.Video().level;
    if (facts.Video().codec != "h264" || level <= 0)
        return std::to_string(level);
    return std::to_string(level / 10) + "." + std::to_string(level % 10);
}

// "30000/1001" as "29.97".
std::string Rate(const std::string& ratio)
{
    const Fraction rate = ParseFraction(ratio);
    if (!rate.Valid())
        return ratio;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", rate.Value());
    return text;
}

// The seconds of pictures that an edit list hides at the start (a cut made without
// encoding keeps them for its first key frame); empty when it hides none. A copy would
// show them again.
std::string Trimmed(const StreamFacts& facts)
{
    const MediaStream& video = facts.Video();
    return video.hiddenPackets > 0 ? Seconds(video.hiddenSeconds) : std::string();
}

// What a copy carries over from the first input to every other, and how to say that an
// input's differs: "frame size 1920x1080, not 1280x720". A checksum has no words of its
// own (said is null): it is named only when nothing else of its stream differs.
struct Trait {
    bool video;
    std::string (*value)(const StreamFacts&);
    std::string (*said)(const std::string& have, const std::string& want);
};

const std::vector<Trait>& Traits()
{
    using Text = const std::string&;
    using Facts = const StreamFacts&;
    static const std::vector<Trait> traits = {
        {true, [](Facts f) { return f.Video().codec; },
         [](Text have, Text want) { return "video codec " + have + ", not " + want; }},
        {true, [](Facts f) { return std::to_string(f.Video().width) + "x" + std::to_string(f.Video().height); },
         [](Text have, Text want) { return "frame size " + have + ", not " + want; }},
        {true, [](Facts f) { return f.Video().frameRate.Text(); },
         [](Text have, Text want) { return Rate(have) + " frames a second, not " + Rate(want); }},
        {true, Trimmed, [](Text have, Text) { return "starts " + have + " into its pictures (trimmed)"; }},
        {true, [](Facts f) { return std::to_string(f.Video().turn); },
         [](Text have, Text want) {
             return (have == "0" ? "shown unrotated" : "shown rotated " + have + " degrees")
                 + (want == "0" ? "" : ", not " + want);
         }},
        {true, DynamicRange, [](Text have, Text want) { return have + ", not " + want; }},
        {true, [](Facts f) { return Tagged(f.Video().colourPrimaries); },
         [](Text have, Text want) { return "colour primaries " + have + ", not " + want; }},
        {true, [](Facts f) { return Tagged(f.Video().colourMatrix); },
         [](Text have, Text want) { return "colour matrix " + have + ", not " + want; }},
        {true, [](Facts f) { return f.Video().masterDisplay + " " + f.Video().contentLight; },
         [](Text, Text) { return std::string("other HDR mastering display or light levels"); }},
        {true, [](Facts f) { return f.Video().pixelFormat; },
         [](Text have, Text want) { return "pixel format " + have + ", not " + want; }},
        {true, PixelAspect, [](Text have, Text want) { return "pixel aspect " + have + ", not " + want; }},
        {true, [](Facts f) { return f.Video().profile; },
         [](Text have, Text want) { return "video profile " + have + ", not " + want; }},
        {true, Level, [](Text have, Text want) { return "video level " + have + ", not " + want; }},
        {true, [](Facts f) { return f.Video().headers; }, nullptr},
        {false, [](Facts f) { return f.Audio().codec; },
         [](Text have, Text want) { return "sound codec " + have + ", not " + want; }},
        {false, [](Facts f) { return std::to_string(f.Audio().sampleRate); },
         [](Text have, Text want) { return "sound at " + have + " Hz, not " + want + " Hz"; }},
        {false, [](Facts f) { return std::to_string(f.Audio().channels); },
         [](Text have, Text want) {
             return have + (have == "1" ? " sound channel" : " sound channels") + ", not " + want;
         }},
        {false, [](Facts f) { return f.Audio().headers; }, nullptr},
    };
    return traits;
}

// Whether the join copies every input into a file of its own that counts time as the
// first does (MP4 and QuickTime keep any time scale): into MP4 and QuickTime always, as
// their muxer counts time in the steps of the first file alone, elsewhere where MP4 and
// QuickTime inputs count in other steps.
bool Restamps(const Encoding& encoding, const StreamFacts& first, const StreamFacts& input)
{
    return encoding.container == Container::Mp4 || encoding.container == Container::Mov
        || (first.IsQuickTime() && input.IsQuickTime());
}

// Everything of the input that differs from the first, in plain words; empty when nothing does.
std::vector<std::string> DifferencesFrom(const Encoding& encoding, const StreamFacts& first, const StreamFacts& input)
{
    std::vector<std::string> words;
    const std::string firstName = NameOf(first.file.path);
    bool soundSaid = false;
    if ((first.audio >= 0) != (input.audio >= 0)) {
        words.push_back((input.audio < 0 ? "no sound, unlike " : "sound, unlike ") + firstName);
        soundSaid = true;
    }
    bool pictureSaid = false;
    for (const Trait& trait : Traits()) {
        if (!trait.video && (soundSaid || input.audio < 0))
            continue;
        const std::string want = trait.value(first);
        const std::string have = trait.value(input);
        if (want == have)
            continue;
        bool& said = trait.video ? pictureSaid : soundSaid;
        if (trait.said) {
            words.push_back(trait.said(have, want));
            said = true;
        } else if (!said) {
            words.push_back(std::string(trait.video ? "other picture" : "other sound") + " codec settings than "
                            + firstName + " (another camera or encoder)");
        }
    }
    if (!Restamps(encoding, first, input)) {
        const auto steps = [&](const char* what, const MediaStream& have, const MediaStream& want) {
            if (have.timeBase != want.timeBase)
                words.push_back(std::string(what) + " times in steps of " + have.timeBase.Text() + " s, not "
                                + want.timeBase.Text() + " s");
        };
        steps("picture", input.Video(), first.Video());
        if (!soundSaid && input.audio >= 0)
            steps("sound", input.Audio(), first.Audio());
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words, const char* between)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : between) + word;
    return text;
}

void CheckContainerHolds(const Request& request, const Encoding& encoding, const StreamFacts& first)
{
    const CopyRule& container = Holds(encoding.container);
    const auto refuse = [&](const char* kind, const std::string& codec) {
        throw JobError("The " + std::string(container.name) + " container cannot hold the " + kind + " codec " + codec
                       + " of " + first.file.path + " without encoding it (output " + request.output + ")");
    };
    if (!container.video.count(first.Video().codec))
        refuse("video", first.Video().codec);
    if (first.audio >= 0 && !container.audio.count(first.Audio().codec))
        refuse("audio", first.Audio().codec);
    // A WMA decoder gives nothing for a stream's first frame but does for every input's
    // first frame after a joint: the sound would fall a frame behind at each one.
    if (const std::string& codec = first.Audio().codec; codec == "wmav1" || codec == "wmav2")
        throw JobError("The sound of " + first.file.path + " (" + codec
                       + ") cannot be joined without encoding it: it would fall behind the picture at every joint"
                       + " (output " + request.output + ")");
}

// Timestamps that start again or leap: a copy carries them into the output, where
// players stop, jump or lose the sound.
void CheckTimestampsRun(const StreamFacts& input)
{
    const bool clockStreams = FollowsTimestampJumps(input.media.formatName);
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
// had without decoding what is there. Files of other kinds are joined up to their last
// whole picture (CutShortNote says so).
void CheckWhole(const StreamFacts& input)
{
    const std::string fix = " Choose an encoding profile to join what can be read.";
    if (input.IsQuickTime() && QuickTimeCutShort(input.file.path))
        throw JobError(input.file.path + " ends early: the file stops before the end of what its index lists (a"
                       " download cut short?)." + fix);
    if (input.cutAt && input.picture.end <= input.picture.start)
        throw JobError(input.file.path + " ends early: not one of its pictures is whole." + fix);
}

// The first input's hidden pictures would come back at the output's start.
void CheckFirstShown(const StreamFacts& first)
{
    if (const std::string hidden = Trimmed(first); !hidden.empty())
        throw JobError(first.file.path + " starts " + hidden + " into its pictures (trimmed without encoding): a copy"
                       " would show what was cut away. Choose an encoding profile to join it.");
}

// Whether the picture's time steps hold each of its frames in a whole number of steps (not
// so Matroska's milliseconds at 30 frames a second).
bool CountsWholeFrames(const MediaStream& video)
{
    const Fraction& step = video.timeBase;
    const Fraction& rate = video.frameRate;
    return step.Valid() && rate.Valid() && (rate.den * step.den) % (rate.num * step.num) == 0;
}

// The time scale that every input's picture is counted anew in where the join re-stamps
// the inputs (Restamps): one that holds each input's steps, or its frames where its steps
// do not (the copy rounds its times to them); 0 where it copies them as they are.
long long TimeScale(const Encoding& encoding, const std::vector<StreamFacts>& inputs)
{
    const StreamFacts& first = inputs.front();
    bool same = true;
    bool allQuickTime = true;
    long long scale = 1;
    for (const StreamFacts& input : inputs) {
        same = same && input.Video().timeBase == first.Video().timeBase
            && input.Audio().timeBase == first.Audio().timeBase;
        allQuickTime = allQuickTime && input.IsQuickTime();
        const MediaStream& video = input.Video();
        scale = std::lcm(scale, std::max(1LL, CountsWholeFrames(video) ? video.timeBase.den : video.frameRate.num));
    }
    const bool quickTimeOutput = encoding.container == Container::Mp4 || encoding.container == Container::Mov;
    if (same && (allQuickTime || !quickTimeOutput))
        return 0;
    constexpr long long kLargestScale = 2000000000;
    if (scale > kLargestScale)
        throw JobError("The inputs' picture times count in steps that no one time scale holds; they cannot be"
                       " joined without encoding. Choose an encoding profile to join them.");
    return scale;
}

// Each differing input on a line of its own (DifferingLine), then the refusal unless they
// are to be encoded and can be.
void SayDifferences(const Request& request, const Encoding& encoding, const CopyInputs& found)
{
    const StreamFacts& first = found.inputs.front();
    std::string list;
    std::vector<const StreamFacts*> differing;
    for (const Differing& input : found.differing) {
        WriteErr(DifferingLine(input) + "\n");
        Tell(encoderlines::DiffersLine(input.index, input.words));
        list += (list.empty() ? "" : "; ") + found.inputs[input.index].file.path + " (" + input.words + ")";
        differing.push_back(&found.inputs[input.index]);
    }
    const std::string why = WhyPiecesCannotMatch(encoding, first, differing);
    if (!why.empty()) {
        WriteErr(std::string(kCannotMatchPrefix) + why + "\n");
        Tell(encoderlines::CannotMatchLine(why));
    }
    const std::string cause = found.differing.size() == 1 ? " differs from " : " differ from ";
    if (!request.reencodeDiffering)
        throw JobError(list + cause + first.file.path + " and cannot be joined to it without encoding. Give"
                       " -reencode-differing to encode only these, or choose an encoding profile to join them.");
    if (!why.empty())
        throw JobError(list + cause + first.file.path + " and cannot be encoded to join its packets: " + why
                       + ". Choose an encoding profile to join them.");
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
    found.inputs = ProbeStreams(request.inputs, onTick, CopyPacketsRead(encoding));
    if (found.inputs.size() < request.inputs.size()) {
        found.inputs.clear();
        return found;
    }
    // What the inputs hold, once read, is a reason of its own: the caller can point to an
    // encoding profile.
    try {
        const StreamFacts& first = found.inputs.front();
        CheckContainerHolds(request, encoding, first);
        CheckFirstShown(first);
        std::vector<StreamFacts> matching;
        for (std::size_t index = 0; index < found.inputs.size(); ++index) {
            const StreamFacts& input = found.inputs[index];
            CheckTimestampsRun(input);
            CheckWhole(input);
            if (const auto words = DifferencesFrom(encoding, first, input); !words.empty())
                found.differing.push_back({index, Joined(words, "; ")});
            else
                matching.push_back(input);
        }
        if (!found.differing.empty())
            SayDifferences(request, encoding, found);
        // The pieces made of the differing inputs count time as the first input does.
        found.timeScale = TimeScale(encoding, matching);
    } catch (const JobError& error) {
        throw JobError(error.what(), exitcode::NotJoinable);
    }
    return found;
}

PacketsRead CopyPacketsRead(const Encoding& encoding)
{
    // A sound cut at its picture's end needs every packet's place.
    return JoinsSoundAtPictureEnd(encoding.container) ? PacketsRead::All : PacketsRead::AllButIndexed;
}

std::string DifferingLine(const Differing& input)
{
    return "Input " + std::to_string(input.index + 1) + " differs: " + input.words;
}

std::string CutShortNote(const StreamFacts& input)
{
    const std::string name = NameOf(input.file.path);
    if (input.cutAt) {
        const char* what = input.Video().brokenFrom == input.cutAt ? "last picture" : "sound";
        char text[96];
        std::snprintf(text, sizeof text, " ends early: its %s is cut off; joined up to %.2f s", what,
                      input.picture.end - input.start);
        return name + text;
    }
    // MPEG program and transport streams state no length of their own; MP4 and QuickTime
    // files are whole (CheckWhole), and their packets are not always all read.
    if (input.picture.count == 0 || FollowsTimestampJumps(input.media.formatName) || input.IsQuickTime())
        return {};
    const MediaStream& video = input.Video();
    InputInfo info;
    info.path = input.file.path;
    const double rate = video.frameRate.Value();
    const double pictureStated = std::max(video.duration, rate > 0 ? static_cast<double>(video.frames) / rate : 0.0);
    // Matroska states only the file's length.
    info.statedDuration = pictureStated > 0 ? pictureStated : input.duration;
    info.readDuration = pictureStated > 0 ? input.picture.end - input.picture.start
                                          : std::max(input.picture.end, input.sound.end) - input.start;
    return EndsEarlyNote(info);
}
