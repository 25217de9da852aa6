#include "InputProbe.h"

#include "JobError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

long long ChangeTime(const struct stat& info)
{
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

// The samples of a lead-in track's title, when the title carries the job's mark; else 0.
long LeadInSamples(const std::string& title, const std::string& mark)
{
    const std::size_t length = std::strlen(kLeadInTitle);
    if (mark.empty() || !title.starts_with(kLeadInTitle) || !title.ends_with(" " + mark))
        return 0;
    const std::string digits = title.substr(length, title.size() - length - mark.size() - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 12)
        return 0;
    return std::stol(digits);
}

// "2 (eng, Commentary)": an audio track by its place among the file's audio tracks.
std::string SoundTrackName(const MediaStream& stream, int place)
{
    std::string about = stream.language == "und" ? std::string() : stream.language;
    if (!stream.title.empty())
        about += (about.empty() ? "" : ", ") + stream.title;
    return about.empty() ? std::to_string(place) : std::to_string(place) + " (" + about + ")";
}

// The picture's rate: its average where that is a usable one, else its base rate, else 25.
double FrameRateOf(const MediaStream& video)
{
    for (const Fraction& rate : {video.averageFrameRate, video.frameRate})
        if (rate.Valid() && rate.Value() <= 240)
            return rate.Value();
    return 25;
}

} // namespace

bool FollowsTimestampJumps(const std::string& formatName)
{
    return formatName == "mpeg" || formatName == "mpegts";
}

double PacketsEnd(const PacketTimes& times, bool followJumps)
{
    if (!followJumps || times.packets.empty())
        return times.end;
    // As ffmpeg follows them: a step either way of more than kTimestampJumpSeconds, or back
    // by more than a tenth of a second, moves the clock so that the packet comes right after
    // the one before it.
    double offset = 0;
    double end = 0;
    const PacketTimes::Packet* last = nullptr;
    for (const PacketTimes::Packet& packet : times.packets) {
        if (last) {
            const double decode = packet.dts + offset;
            const double lastDecode = last->dts + offset;
            const double step = decode - (lastDecode + last->duration);
            if (std::abs(step) > kTimestampJumpSeconds || decode + 0.1 < lastDecode)
                offset -= step;
        }
        end = last ? std::max(end, packet.pts + packet.duration + offset) : packet.pts + packet.duration;
        last = &packet;
    }
    return end;
}

InputInfo InputInfoFromFacts(const MediaFacts& facts, const std::string& mark)
{
    InputInfo info;
    info.path = facts.path;
    const MediaStream* video = facts.Video();
    if (!video)
        throw JobError(facts.streams.empty() ? "Input file is not a readable video file: " + facts.path
                                             : "Input file has no video stream: " + facts.path);
    info.videoStream = video->index;
    info.width = video->width;
    info.height = video->height;
    info.sampleAspect = video->pixelAspect.Valid() ? video->pixelAspect.Value() : 1;
    info.frameRate = FrameRateOf(*video);
    info.quarterTurn = video->turn % 180 == 90;
    info.interlaced = video->interlaced;
    info.colourMatrix = video->colourMatrix;
    info.colourPrimaries = video->colourPrimaries;
    info.colourTransfer = video->colourTransfer;
    info.colourRange = video->colourRange;
    info.pixelFormat = video->pixelFormat;
    info.masterDisplay = video->masterDisplay;
    info.contentLight = video->contentLight;
    info.masteringPeak = video->masteringPeak;
    // AVI states its picture's length only in its count of frames: without its index the
    // demuxer estimates the length from what is there.
    const double pictureStated = std::max(video->duration, video->frames / info.frameRate);

    const MediaStream* sound = nullptr;
    int soundPlace = 0;
    std::vector<std::pair<int, std::string>> sounds; // stream and name of every usable audio track
    for (const MediaStream& stream : facts.streams) {
        if (stream.kind != StreamKind::Audio)
            continue;
        if (const long samples = LeadInSamples(stream.title, mark); samples > 0) {
            if (info.leadInStream < 0) {
                info.leadInStream = stream.index;
                info.leadInSamples = samples;
            }
            continue;
        }
        ++soundPlace;
        if (stream.sampleRate <= 0 || stream.channels <= 0)
            continue;
        sounds.emplace_back(stream.index, SoundTrackName(stream, soundPlace));
        // The track marked default, else the first.
        if (!sound || (stream.isDefault && !sound->isDefault))
            sound = &stream;
    }
    if (sound) {
        info.audioStream = sound->index;
        info.sampleRate = sound->sampleRate;
        info.channels = sound->channels;
    }
    for (const auto& [stream, name] : sounds)
        if (stream != info.audioStream)
            info.unusedSoundTracks.push_back(name);
    info.streamCount = static_cast<int>(facts.streams.size());
    info.fileStart = facts.start;
    for (const MediaStream& stream : facts.streams) {
        const bool usable = std::any_of(sounds.begin(), sounds.end(), [&](const auto& track) {
            return track.first == stream.index;
        });
        if (usable)
            info.soundTracks.insert(stream.index == info.audioStream ? info.soundTracks.begin() : info.soundTracks.end(),
                                    {stream.index, stream.language, stream.title, stream.isDefault});
        info.subtitleTracks += stream.kind == StreamKind::Subtitle;
        info.attachments += stream.kind == StreamKind::Attachment || stream.attachedPicture;
        if (stream.kind == StreamKind::Subtitle && info.subtitleStream < 0) {
            info.subtitleStream = stream.index;
            info.subtitleCodec = stream.codec;
        }
        if (stream.kind == StreamKind::Attachment)
            info.attachedFiles.emplace_back(stream.index, stream.headers);
        if (stream.attachedPicture && info.coverStream < 0)
            info.coverStream = stream.index;
    }

    // Sound that starts late gets silence before it and a late picture is held on its
    // first frame; only sound before the file's zero (an edit cut into it) is dropped.
    // Sound that runs on after the picture is kept, over its last frame. The sound's
    // packets end up to a few codec frames late even when it stops with the picture (an
    // encoder's priming and padding, which AVI counts in), so only more than that counts.
    const bool followJumps = FollowsTimestampJumps(facts.formatName);
    const double videoStart = video->start;
    const double spanStart = sound ? std::min(videoStart, std::max(sound->start, 0.0)) : videoStart;
    const double pictureEnd = video->packets.count > 0 ? PacketsEnd(video->packets, followJumps) : 0;
    const double soundEnd = sound && sound->packets.count > 0 ? PacketsEnd(sound->packets, followJumps) : 0;
    double end = pictureEnd;
    if (end <= 0 && video->duration > 0)
        end = videoStart + video->duration;
    if (end <= 0 && facts.duration > 0)
        end = facts.start + facts.duration;
    constexpr double kSoundPadding = 0.5;
    if (sound && soundEnd > end + kSoundPadding)
        end = soundEnd;
    // What the packets give is held against the length the header states: the picture's,
    // else the file's (Matroska keeps only that). MPEG program and transport streams state
    // none; their length is estimated.
    if (pictureEnd > 0 && !followJumps) {
        info.statedDuration = pictureStated > 0 ? pictureStated : facts.duration;
        info.readDuration = pictureStated > 0 ? pictureEnd - videoStart : std::max(pictureEnd, soundEnd) - facts.start;
    }
    info.start = std::max(0.0, spanStart - facts.start);
    info.duration = std::max(0.0, end - spanStart);
    info.size = facts.identity.size;
    info.changedNanoseconds = facts.identity.changedNanoseconds;
    info.device = facts.identity.device;
    info.inode = facts.identity.inode;
    return info;
}

std::string EndsEarlyNote(const InputInfo& input)
{
    if (input.statedDuration <= 0 || input.readDuration <= 0 || input.statedDuration - input.readDuration <= 1)
        return {};
    const std::size_t slash = input.path.find_last_of('/');
    const std::string name = !input.name.empty() ? input.name
        : slash == std::string::npos             ? input.path
                                                 : input.path.substr(slash + 1);
    char text[96];
    std::snprintf(text, sizeof text, " ends early: %.1f s of its %.1f s could be read", input.readDuration,
                  input.statedDuration);
    return name + text;
}

double DisplayAspect(const InputInfo& input)
{
    const double aspect = input.width * input.sampleAspect / input.height;
    return input.quarterTurn ? 1 / aspect : aspect;
}

InputInfo ProbeInput(const std::string& path, const std::function<void()>& onTick, const std::string& mark)
{
    MediaRead read;
    read.packets = MediaRead::Packets::All;
    read.firstFrameLight = true;
    read.onTick = onTick;
    const MediaFacts facts = ReadMedia(path, read);
    if (facts.stopped)
        return {};
    return InputInfoFromFacts(facts, mark);
}

void CheckUnchanged(const InputInfo& input)
{
    struct stat now {};
    const bool gone = stat(input.path.c_str(), &now) != 0;
    const bool replaced = input.inode != 0 && (now.st_dev != input.device || now.st_ino != input.inode);
    if (gone || replaced || now.st_size != input.size || ChangeTime(now) != input.changedNanoseconds)
        throw JobError("Input file changed while it was being read (" + std::to_string(input.size)
                       + " bytes when probed, "
                       + (now.st_nlink > 0 ? std::to_string(now.st_size) + " now" : std::string("gone now"))
                       + "): " + input.path);
}

std::string FileUrl(const std::string& path)
{
    return "file:" + path;
}
