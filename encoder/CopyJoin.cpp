#include "CopyJoin.h"

#include "Console.h"
#include "JobError.h"
#include "InputProbe.h"
#include "Progress.h"
#include "StopSignals.h"
#include "StreamJoin.h"

#include <map>
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
    };
    return containers.at(container);
}

// What a copy carries over from the first input to every other: a name for the user
// and how to read its value.
struct Trait {
    const char* what;
    std::string (*value)(const StreamFacts&);
};

const std::vector<Trait>& Traits()
{
    static const std::vector<Trait> traits = {
        {"video codec", [](const StreamFacts& f) { return f.Video("codec_name"); }},
        {"frame size", [](const StreamFacts& f) { return f.Video("width") + "x" + f.Video("height"); }},
        {"pixel format", [](const StreamFacts& f) { return f.Video("pix_fmt"); }},
        {"frame rate", [](const StreamFacts& f) { return f.Video("r_frame_rate"); }},
        {"pixel aspect", [](const StreamFacts& f) { return f.Video("sample_aspect_ratio"); }},
        {"video codec profile", [](const StreamFacts& f) { return f.Video("profile"); }},
        {"video codec setup (extradata)", [](const StreamFacts& f) { return f.Video("extradata_hash"); }},
        {"sound", [](const StreamFacts& f) { return std::string(f.audio < 0 ? "missing" : "present"); }},
        {"audio codec", [](const StreamFacts& f) { return f.Audio("codec_name"); }},
        {"sample rate", [](const StreamFacts& f) { return f.Audio("sample_rate"); }},
        {"channels", [](const StreamFacts& f) { return f.Audio("channels"); }},
        {"audio codec setup (extradata)", [](const StreamFacts& f) { return f.Audio("extradata_hash"); }},
    };
    return traits;
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

std::vector<StreamFacts> ReadInputs(const Request& request, const Encoding& encoding,
                                    const std::function<void()>& onTick)
{
    std::vector<StreamFacts> inputs = ProbeStreams(request.inputs, onTick);
    if (inputs.size() < request.inputs.size())
        return inputs;
    CheckContainerHolds(request, encoding, inputs.front());
    for (const StreamFacts& input : inputs)
        for (const Trait& trait : Traits()) {
            const std::string want = trait.value(inputs.front());
            const std::string have = trait.value(input);
            if (want == have)
                continue;
            // A checksum says nothing to the user; only that the setups differ does.
            const bool checksum = have.starts_with("MD5:") || want.starts_with("MD5:");
            throw JobError(input.file.path + " differs from " + inputs.front().file.path + ": " + trait.what
                           + (checksum ? " not the same" : " " + have + ", not " + want));
        }
    return inputs;
}

} // namespace

void CheckCopyJoin(const Request& request, const Encoding& encoding, const std::function<void()>& onTick)
{
    ReadInputs(request, encoding, onTick);
}

int RunCopyJoin(const Request& request, const Encoding& encoding)
{
    const auto waiting = [] { WriteOut(FormatPosLine(0, 0, 0)); };
    const std::vector<StreamFacts> inputs = ReadInputs(request, encoding, waiting);
    if (StopSignal() != 0)
        return StoppedJoin(request);
    // AVI keeps no times for the sound, and players of MPEG and ASF count frames: there
    // each input's sound is joined at the end of its picture, leaving out the sound
    // packets that end after it (in AVI, only those more than half a packet after it,
    // counting the priming that AVI lets be heard). The pictures and the sound are read
    // as two inputs, as the end of one stream in a concat list ends the file's other
    // streams too.
    const bool pictureSetsLength = encoding.container == Container::Avi || encoding.container == Container::MpegPs
        || encoding.container == Container::Vob || encoding.container == Container::Asf;
    std::vector<ConcatEntry> pictures;
    std::vector<ConcatEntry> sounds;
    for (const StreamFacts& input : inputs) {
        pictures.push_back({input.file.path});
        sounds.push_back({input.file.path});
        if (!pictureSetsLength)
            continue;
        const InputInfo span = ProbeInput(input.file.path, waiting);
        if (StopSignal() != 0)
            return StoppedJoin(request);
        if (span.duration <= 0)
            continue;
        const double overhang = encoding.container == Container::Avi
            ? input.soundPacketSeconds / 2 + input.soundLead
            : input.soundPacketSeconds;
        pictures.back().length = sounds.back().length = span.start + span.duration;
        sounds.back().end = input.start + span.start + span.duration - overhang;
    }
    const StreamFacts& first = inputs.front();
    const bool twoLists = pictureSetsLength && first.audio >= 0;
    std::vector<std::string> lists = {ConcatList(pictures)};
    if (twoLists)
        lists.push_back(ConcatList(sounds));
    return RunJoin(request, inputs, lists, [&](const std::vector<std::string>& listPaths, const std::string& target) {
        std::vector<std::string> args = JoinHead();
        for (const std::string& list : listPaths) {
            const auto input = ConcatInput(list);
            args.insert(args.end(), input.begin(), input.end());
        }
        args.insert(args.end(), {"-map", "0:v:0"});
        if (first.audio >= 0)
            args.insert(args.end(), {"-map", twoLists ? "1:a:0" : "0:a:0"});
        args.insert(args.end(), {"-c", "copy"});
        const auto filters = HeaderFilters(encoding.container, first);
        args.insert(args.end(), filters.begin(), filters.end());
        if (encoding.container == Container::Avi)
            args.insert(args.end(), {"-avoid_negative_ts", "disabled"});
        args.insert(args.end(), {"-f", encoding.muxer, target});
        return args;
    });
}
