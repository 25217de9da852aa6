#include "OutputVerify.h"

#include "DecodeCheck.h"
#include "JobError.h"
#include "Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

// The output's words for a failure, with the output named.
[[noreturn]] void Fail(const std::string& what, const std::string& name)
{
    throw JobError("The output did not come out right: " + what + " (nothing was written to " + name + ")");
}

// The length of one picture in the output: its pictures' span over their count, which
// times kept in whole milliseconds (FLV, ASF) round either way.
double PictureStep(const std::vector<double>& sorted, const MediaStream& video)
{
    if (sorted.size() > 1 && sorted.back() > sorted.front())
        return (sorted.back() - sorted.front()) / static_cast<double>(sorted.size() - 1);
    return video.frameRate.Valid() ? 1 / video.frameRate.Value() : 0.04;
}

// The windows to decode: around every joint and at the start, and at the end if asked.
std::vector<std::pair<double, double>> JointWindows(const std::vector<double>& starts, double length,
                                                    const OutputPromise& promise)
{
    const double before = promise.decodeBefore;
    const double after = promise.decodeAfter;
    std::vector<std::pair<double, double>> windows = {{0, after}};
    for (const double start : starts)
        windows.push_back({start - before, start + after});
    if (promise.decodeEnd)
        windows.push_back({length - std::max(before, after), length + after});
    std::sort(windows.begin(), windows.end());
    std::vector<std::pair<double, double>> merged;
    for (const auto& window : windows) {
        if (!merged.empty() && window.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, window.second);
        else
            merged.push_back(window);
    }
    return merged;
}

// Every track kept is there, each sound track as long as the first within a packet or two.
void CheckKeptTracks(const MediaFacts& out, const KeptPromise& kept, const std::string& name)
{
    std::vector<const MediaStream*> sounds;
    int subtitles = 0;
    int attachments = 0;
    for (const MediaStream& stream : out.streams) {
        if (stream.kind == StreamKind::Audio && stream.packets.count > 0)
            sounds.push_back(&stream);
        subtitles += stream.kind == StreamKind::Subtitle;
        attachments += stream.kind == StreamKind::Attachment || stream.attachedPicture;
    }
    if (static_cast<int>(sounds.size()) < kept.soundTracks)
        Fail("it holds " + std::to_string(sounds.size()) + " of its " + std::to_string(kept.soundTracks)
                 + " sound tracks",
             name);
    const auto lengthOf = [](const MediaStream& stream) { return stream.packets.end - stream.packets.start; };
    for (int track = 1; track < kept.soundTracks; ++track)
        if (std::fabs(lengthOf(*sounds[track]) - lengthOf(*sounds.front())) > 0.1)
            Fail("its sound track " + std::to_string(track + 1) + " lasts " + Seconds(lengthOf(*sounds[track]))
                     + ", the first " + Seconds(lengthOf(*sounds.front())),
                 name);
    if (kept.subtitles && subtitles == 0)
        Fail("it has no subtitles, though its inputs have", name);
    if (attachments < kept.attachments)
        Fail("it holds " + std::to_string(attachments) + " of its " + std::to_string(kept.attachments)
                 + " attachments",
             name);
}

} // namespace

double VerifyOutput(const std::string& readPath, const std::string& name, const OutputPromise& promise,
                    const std::function<void()>& onTick)
{
    SayStep(encoderlines::Step::Checking);
    MediaFacts out;
    try {
        MediaRead read;
        read.packets = MediaRead::Packets::All;
        read.shownTimes = true;
        read.onTick = onTick;
        out = ReadMedia(readPath, read);
    } catch (const JobError&) {
        throw JobError("The output file could not be read back after writing: " + name);
    }
    if (out.stopped)
        return 0;
    const MediaStream* video = out.Video();
    if (!video || video->packets.count <= video->hiddenPackets)
        throw JobError("The output file could not be read back after writing (no picture in it): " + name);
    if (promise.sound && (!out.Audio() || out.Audio()->packets.count == 0))
        Fail("it has no sound, though its inputs have", name);
    CheckKeptTracks(out, promise.kept, name);

    if (video->decodeStepBackAt)
        Fail("its picture times go back at " + Seconds(*video->decodeStepBackAt - video->packets.start), name);
    std::vector<double> times = video->shownTimes;
    std::sort(times.begin(), times.end());
    const auto shown = static_cast<long>(video->packets.count - video->hiddenPackets);
    // Where some pictures have no time of their own, the stretches are counted, not timed.
    const bool timed = static_cast<long>(times.size()) == shown;
    const double step = timed ? PictureStep(times, *video)
                              : (video->frameRate.Valid() ? 1 / video->frameRate.Value() : 0.04);
    const double slack = step + 0.002;
    for (std::size_t i = 1; timed && i < times.size(); ++i)
        if (times[i] - times[i - 1] < step / 4)
            Fail("two of its pictures are shown at " + Seconds(times[i] - times.front()), name);
    const double length = timed ? times.back() + step - times.front() : video->packets.end - video->packets.start;

    // Each input's stretch: as many pictures as it shows, in the order shown.
    const auto& stretches = promise.stretches;
    const auto picturesOf = [&](const StretchPromise& stretch) {
        return stretch.pictures > 0 ? stretch.pictures : std::lround(stretch.seconds / step);
    };
    std::vector<double> starts; // each stretch's start in the output, from the picture's start
    long promised = 0;
    double promisedSeconds = 0;
    for (const StretchPromise& stretch : stretches) {
        starts.push_back(promisedSeconds);
        promised += picturesOf(stretch);
        promisedSeconds += stretch.seconds;
    }
    long first = 0;
    for (std::size_t index = 0; timed && index < stretches.size() && first < shown; ++index) {
        const StretchPromise& stretch = stretches[index];
        starts[index] = times[first] - times.front();
        const long next = std::min(first + picturesOf(stretch), shown);
        const double seconds = (next < shown ? times[next] : times.back() + step) - times[first];
        if (std::abs(seconds - stretch.seconds) > slack)
            Fail(stretch.name + ": " + Seconds(seconds) + " in the output, " + Seconds(stretch.seconds) + " in the file",
                 name);
        first = next;
    }
    const long most = static_cast<long>(stretches.size());
    if (!stretches.empty() && (std::abs(shown - promised) > most || std::abs(length - promisedSeconds) > most * slack))
        Fail(std::to_string(shown) + " pictures in " + Seconds(length) + ", where its inputs show "
                 + std::to_string(promised) + " in " + Seconds(promisedSeconds),
             name);

    if (promise.turn && video->turn != *promise.turn)
        Fail("its picture is shown turned " + std::to_string(video->turn) + " degrees, not "
                 + std::to_string(*promise.turn),
             name);
    if (promise.displayAspect > 0 && std::abs(video->DisplayAspect() / promise.displayAspect - 1) > 0.01) {
        char shape[96];
        std::snprintf(shape, sizeof shape, "its picture is shown %.3f:1, not %.3f:1", video->DisplayAspect(),
                      promise.displayAspect);
        Fail(shape, name);
    }
    if (const Dynamic shown = DynamicOfTransfer(video->colourTransfer); promise.dynamic && shown != *promise.dynamic)
        Fail("its picture is " + DynamicWords(shown) + ", not " + DynamicWords(*promise.dynamic), name);
    if (promise.chapters) {
        if (out.chapters.size() != starts.size())
            Fail(std::to_string(out.chapters.size()) + " chapters, not " + std::to_string(starts.size()), name);
        for (std::size_t index = 0; index < starts.size(); ++index) {
            const double at = out.chapters[index].start - out.chapters.front().start;
            if (std::abs(at - starts[index]) > slack)
                Fail("the chapter of " + stretches[index].name + " starts at " + Seconds(at) + ", its pictures at "
                         + Seconds(starts[index]),
                     name);
        }
    }

    if (promise.decode != OutputPromise::Decode::None) {
        std::vector<std::pair<double, double>> windows;
        if (promise.decode == OutputPromise::Decode::Joints)
            windows = JointWindows(starts.size() > 1 ? std::vector<double>(starts.begin() + 1, starts.end())
                                                     : std::vector<double>(),
                                   length, promise);
        const DecodeFindings found = DecodePictures(readPath, video->index, windows, onTick);
        if (found.errors > 0) {
            std::size_t in = 0;
            while (in + 1 < starts.size() && starts[in + 1] <= found.firstErrorAt)
                ++in;
            Fail(std::to_string(found.errors) + (found.errors == 1 ? " picture does" : " pictures do")
                     + " not decode, the first at " + Seconds(found.firstErrorAt)
                     + (in < stretches.size() ? " (in " + stretches[in].name + ")" : std::string())
                     + (found.firstError.empty() ? "" : ": " + found.firstError),
                 name);
        }
    }
    return length;
}
