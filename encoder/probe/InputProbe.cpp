#include "InputProbe.h"

#include "ChildRun.h"
#include "FlatProbe.h"
#include "JobError.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

double Number(const std::map<std::string, std::string>& values, const std::string& key, double fallback = 0)
{
    const auto found = values.find(key);
    if (found == values.end())
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(found->second.c_str(), &end);
    return end != found->second.c_str() && *end == '\0' ? value : fallback;
}

// "30000/1001", "16:9" or "0/0"; 0 when it is no usable ratio.
double Ratio(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    if (found == values.end())
        return 0;
    const std::string& text = found->second;
    const std::size_t split = text.find_first_of("/:");
    if (split == std::string::npos)
        return 0;
    const double num = std::atof(text.substr(0, split).c_str());
    const double den = std::atof(text.substr(split + 1).c_str());
    return num > 0 && den > 0 ? num / den : 0;
}

std::optional<long long> Whole(const std::string& text)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::string Text(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

long long ChangeTime(const struct stat& info)
{
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

struct stat CheckReadableFile(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw JobError("Input file not found: " + path);
        throw JobError("Input file cannot be read (" + std::string(std::strerror(errno)) + "): " + path);
    }
    if (S_ISDIR(info.st_mode))
        throw JobError("Input is a folder, not a video file: " + path);
    // Opening a pipe waits for a writer, and its reads could wait for ever.
    if (!S_ISREG(info.st_mode))
        throw JobError("Input is a pipe or a device, not a video file: " + path);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw JobError("Input file cannot be read (" + std::string(std::strerror(errno)) + "): " + path);
    close(fd);
    if (info.st_size == 0)
        throw JobError("Input file is empty: " + path);
    return info;
}

} // namespace

void ProbeReader::Feed(std::string_view text)
{
    partial_.append(text);
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1)
        TakeLine(std::string_view(partial_).substr(start, end - start));
    partial_.erase(0, start);
}

void ProbeReader::TakeLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view key = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    constexpr std::string_view packetPrefix = "packets.packet.";
    if (!key.starts_with(packetPrefix)) {
        values_[std::string(key)] = std::string(value);
        return;
    }
    const std::string_view rest = key.substr(packetPrefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos)
        return;
    if (rest.substr(0, dot) != packet_) {
        FinishPacket();
        packet_ = std::string(rest.substr(0, dot));
    }
    const std::string_view field = rest.substr(dot + 1);
    const auto number = Whole(std::string(value));
    if (field == "stream_index")
        packetStream_ = static_cast<int>(number.value_or(-1));
    else if (field == "pts")
        pts_ = number;
    else if (field == "dts")
        dts_ = number;
    else if (field == "duration")
        duration_ = number.value_or(0);
}

namespace {

// Adds one packet to its stream's account, following a jump as ffmpeg does: the offset
// changes so that the packet comes right after the one before it. A packet without a
// presentation time is shown as late after its decoding time as the last one that had both.
template <typename Stream>
void AddPacket(Stream& stream, std::optional<long long> pts, std::optional<long long> dts, long long duration)
{
    constexpr long long kTicks = 90000;
    if (pts && dts)
        stream.reorder = *pts - *dts;
    const long long decoding = dts ? *dts : *pts;
    const long long presentation = pts ? *pts : *dts + stream.reorder;
    const long long end = presentation + duration;
    const bool first = !stream.lastDecode;
    if (!first) {
        const long long decode = decoding + stream.offset;
        const long long delta = decode - (*stream.lastDecode + stream.lastDuration);
        if (delta < -kTimestampJumpSeconds * kTicks || delta > kTimestampJumpSeconds * kTicks
            || decode + kTicks / 10 < *stream.lastDecode)
            stream.offset -= delta;
    }
    stream.lastDecode = decoding + stream.offset;
    stream.lastDuration = duration;
    stream.end = first ? end : std::max(stream.end, end);
    stream.followedEnd = first ? end : std::max(stream.followedEnd, end + stream.offset);
}

} // namespace

void ProbeReader::FinishPacket()
{
    if (packetStream_ >= 0 && (pts_ || dts_))
        AddPacket(streams_[packetStream_], pts_, dts_, duration_);
    packetStream_ = -1;
    pts_.reset();
    dts_.reset();
    duration_ = 0;
}

std::optional<long long> ProbeReader::packetsEnd(int stream, bool followJumps) const
{
    const auto found = streams_.find(stream);
    StreamPackets packets = found == streams_.end() ? StreamPackets() : found->second;
    // The last packet is still open until a line of another follows.
    if (packetStream_ == stream && (pts_ || dts_))
        AddPacket(packets, pts_, dts_, duration_);
    else if (found == streams_.end())
        return std::nullopt;
    return followJumps ? packets.followedEnd : packets.end;
}

bool FollowsTimestampJumps(const std::string& formatName)
{
    return formatName == "mpeg" || formatName == "mpegts";
}

std::map<std::string, std::string> ParseFlatOutput(const std::string& text)
{
    ProbeReader reader;
    reader.Feed(text);
    reader.Feed("\n");
    return reader.values();
}

namespace {

// The samples of a lead-in track's title, when the title carries the job's mark; else 0.
long LeadInSamples(const std::string& title, const std::string& mark)
{
    const std::size_t length = std::strlen(kLeadInTitle);
    if (mark.empty() || !title.starts_with(kLeadInTitle) || !title.ends_with(" " + mark))
        return 0;
    const auto samples = Whole(title.substr(length, title.size() - length - mark.size() - 1));
    return samples && *samples > 0 ? static_cast<long>(*samples) : 0;
}

// A quarter turn either way, from the display matrix or the older "rotate" tag.
bool QuarterTurn(const std::map<std::string, std::string>& values, const std::string& prefix)
{
    double rotation = Number(values, prefix + "tags.rotate");
    for (int index = 0; index < 8; ++index) {
        const std::string key = prefix + "side_data_list.side_data." + std::to_string(index) + ".rotation";
        if (values.count(key))
            rotation = Number(values, key);
    }
    return std::abs(std::lround(rotation)) % 180 == 90;
}

// "2 (eng, Commentary)": an audio track by its place among the file's audio tracks.
std::string SoundTrackName(const std::map<std::string, std::string>& values, const std::string& prefix, int place)
{
    std::string name = std::to_string(place);
    std::string about = Text(values, prefix + "tags.language");
    if (about == "und")
        about.clear();
    if (const std::string title = Text(values, prefix + "tags.title"); !title.empty())
        about += (about.empty() ? "" : ", ") + title;
    return about.empty() ? name : name + " (" + about + ")";
}

} // namespace

InputInfo InputInfoFromProbe(const std::string& path, const std::map<std::string, std::string>& values,
                             double pictureEnd, double soundEnd, const std::string& mark)
{
    InputInfo info;
    info.path = path;
    int streams = 0;
    const double fileStart = Number(values, "format.start_time");
    double videoStart = fileStart;
    double videoLength = 0;
    double pictureStated = 0;
    std::optional<double> audioStart;
    bool defaultSound = false;
    int soundPlace = 0;
    std::vector<std::pair<int, std::string>> sounds; // stream and name of every usable audio track
    for (int index = 0;; ++index) {
        const std::string prefix = "streams.stream." + std::to_string(index) + ".";
        const std::string type = Text(values, prefix + "codec_type");
        if (type.empty())
            break;
        ++streams;
        // A cover picture is stored as a video stream but is no video.
        const bool picture = Text(values, prefix + "disposition.attached_pic") == "1";
        if (type == "video" && !picture && info.videoStream < 0
            && Number(values, prefix + "width") > 0 && Number(values, prefix + "height") > 0) {
            info.videoStream = index;
            info.width = static_cast<int>(Number(values, prefix + "width"));
            info.height = static_cast<int>(Number(values, prefix + "height"));
            const double sar = Ratio(values, prefix + "sample_aspect_ratio");
            info.sampleAspect = sar > 0 ? sar : 1;
            double rate = Ratio(values, prefix + "avg_frame_rate");
            if (rate <= 0 || rate > 240)
                rate = Ratio(values, prefix + "r_frame_rate");
            info.frameRate = rate > 0 && rate <= 240 ? rate : 25;
            videoStart = Number(values, prefix + "start_time", fileStart);
            videoLength = Number(values, prefix + "duration");
            // AVI states its picture's length only in its count of frames: without its
            // index the demuxer estimates the length from what is there.
            pictureStated = std::max(videoLength, Number(values, prefix + "nb_frames") / info.frameRate);
            info.quarterTurn = QuarterTurn(values, prefix);
            const std::string fields = Text(values, prefix + "field_order");
            info.interlaced = fields == "tt" || fields == "bb" || fields == "tb" || fields == "bt";
            const auto tag = [&](const char* key) {
                const std::string text = Text(values, prefix + key);
                return text == "unknown" || text == "reserved" || text == "unspecified" ? std::string() : text;
            };
            info.colourMatrix = tag("color_space");
            info.colourPrimaries = tag("color_primaries");
            info.colourTransfer = tag("color_transfer");
            info.colourRange = tag("color_range");
            info.pixelFormat = tag("pix_fmt");
            ReadMasteringDisplay(values, prefix, info);
        } else if (const long samples = LeadInSamples(Text(values, prefix + "tags.title"), mark);
                   type == "audio" && samples > 0 && info.leadInStream < 0) {
            info.leadInStream = index;
            info.leadInSamples = samples;
        } else if (type == "audio") {
            ++soundPlace;
            if (Number(values, prefix + "sample_rate") <= 0 || Number(values, prefix + "channels") <= 0)
                continue;
            sounds.emplace_back(index, SoundTrackName(values, prefix, soundPlace));
            // The track marked default, else the first.
            const bool isDefault = Text(values, prefix + "disposition.default") == "1";
            if (info.audioStream >= 0 && (defaultSound || !isDefault))
                continue;
            defaultSound = isDefault;
            info.audioStream = index;
            info.sampleRate = static_cast<int>(Number(values, prefix + "sample_rate"));
            info.channels = static_cast<int>(Number(values, prefix + "channels"));
            audioStart = Number(values, prefix + "start_time", fileStart);
        }
    }
    if (info.videoStream < 0)
        throw JobError(streams == 0 ? "Input file is not a readable video file: " + path
                                      : "Input file has no video stream: " + path);
    for (const auto& [stream, name] : sounds)
        if (stream != info.audioStream)
            info.unusedSoundTracks.push_back(name);
    // Sound that starts late gets silence before it and a late picture is held on its
    // first frame; only sound before the file's zero (an edit cut into it) is dropped.
    // Sound that runs on after the picture is kept, over its last frame. The sound's
    // packets end up to a few codec frames late even when it stops with the picture (an
    // encoder's priming and padding, which AVI counts in), so only more than that counts.
    const double spanStart = audioStart ? std::min(videoStart, std::max(*audioStart, 0.0)) : videoStart;
    double end = pictureEnd;
    if (end <= 0 && videoLength > 0)
        end = videoStart + videoLength;
    if (end <= 0 && Number(values, "format.duration") > 0)
        end = fileStart + Number(values, "format.duration");
    constexpr double kSoundPadding = 0.5;
    if (info.audioStream >= 0 && soundEnd > end + kSoundPadding)
        end = soundEnd;
    // What the packets give is held against the length the header states: the picture's,
    // else the file's (Matroska keeps only that). MPEG program and transport streams state
    // none; their length is estimated.
    if (pictureEnd > 0 && !FollowsTimestampJumps(Text(values, "format.format_name"))) {
        info.statedDuration = pictureStated > 0 ? pictureStated : Number(values, "format.duration");
        info.readDuration = pictureStated > 0 ? pictureEnd - videoStart : std::max(pictureEnd, soundEnd) - fileStart;
    }
    info.start = std::max(0.0, spanStart - fileStart);
    info.duration = std::max(0.0, end - spanStart);
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

namespace {

// "34000/50000" in the units of its denominator's kind: 1/50000 for a chromaticity,
// 1/10000 cd/m2 for a luminance.
long Units(const std::map<std::string, std::string>& values, const std::string& key, double scale)
{
    const double ratio = Ratio(values, key);
    return ratio > 0 ? std::lround(ratio * scale) : std::lround(Number(values, key) * scale);
}

} // namespace

void ReadMasteringDisplay(const std::map<std::string, std::string>& values, const std::string& prefix,
                          InputInfo& info)
{
    for (int index = 0; index < 16; ++index) {
        const std::string data = prefix + "side_data_list.side_data." + std::to_string(index) + ".";
        const std::string type = Text(values, data + "side_data_type");
        if (type == "Mastering display metadata" && values.count(data + "max_luminance")) {
            const auto point = [&](const char* colour) {
                std::string text = "(";
                text += std::to_string(Units(values, data + colour + "_x", 50000));
                text += ',';
                text += std::to_string(Units(values, data + colour + "_y", 50000));
                return text += ')';
            };
            std::string display = "G";
            display += point("green");
            display += 'B';
            display += point("blue");
            display += 'R';
            display += point("red");
            display += "WP";
            display += point("white_point");
            display += "L(";
            display += std::to_string(Units(values, data + "max_luminance", 10000));
            display += ',';
            display += std::to_string(Units(values, data + "min_luminance", 10000));
            info.masterDisplay = display + ")";
            info.masteringPeak = Units(values, data + "max_luminance", 1);
        } else if (type == "Content light level metadata") {
            info.contentLight = std::to_string(Units(values, data + "max_content", 1)) + ","
                + std::to_string(Units(values, data + "max_average", 1));
        }
    }
}

std::vector<std::string> FirstFrameArguments(const std::string& path, int stream)
{
    return {"ffprobe", "-v", "error", "-of", "flat", "-read_intervals", "%+#1", "-select_streams",
            std::to_string(stream), "-show_entries", "frame_side_data_list", FileUrl(path)};
}

double DisplayAspect(const InputInfo& input)
{
    const double aspect = input.width * input.sampleAspect / input.height;
    return input.quarterTurn ? 1 / aspect : aspect;
}

std::vector<std::string> ProbeArguments(const std::string& path)
{
    return {"ffprobe", "-v", "error", "-of", "flat",
            "-show_entries",
            "format=format_name,start_time,duration:stream=codec_type,width,height,sample_aspect_ratio,avg_frame_rate,"
            "r_frame_rate,start_time,duration,nb_frames,time_base,sample_rate,channels,field_order,"
            "pix_fmt,color_space,color_primaries,color_transfer,color_range:"
            "stream_disposition=attached_pic,default:stream_tags=title,language,rotate:stream_side_data:"
            "packet=stream_index,pts,dts,duration",
            FileUrl(path)};
}

InputInfo ProbeInput(const std::string& path, const std::function<void()>& onTick, const std::string& mark)
{
    const struct stat file = CheckReadableFile(path);
    ProbeReader reader;
    const FlatProbeResult run = ProbeFlat(path, [&](std::string_view text) { reader.Feed(text); }, onTick);
    if (run.stopped)
        return {};
    if (!run.error.empty())
        throw JobError("Input file is not a readable video file (" + run.error + "): " + path);
    reader.Feed("\n");
    const InputInfo info = InputInfoFromProbe(path, reader.values(), 0, 0, mark);
    const bool followJumps = FollowsTimestampJumps(Text(reader.values(), "format.format_name"));
    // Where a stream's packets end, in seconds; 0 when it has none.
    const auto packetsEnd = [&](int stream) {
        const auto end = reader.packetsEnd(stream, followJumps);
        return end ? static_cast<double>(*end)
                * Ratio(reader.values(), "streams.stream." + std::to_string(stream) + ".time_base")
                   : 0.0;
    };
    const double pictureEnd = packetsEnd(info.videoStream);
    InputInfo probed = pictureEnd > 0
        ? InputInfoFromProbe(path, reader.values(), pictureEnd,
                             info.audioStream >= 0 ? packetsEnd(info.audioStream) : 0, mark)
        : info;
    probed.size = file.st_size;
    probed.changedNanoseconds = ChangeTime(file);
    probed.device = file.st_dev;
    probed.inode = file.st_ino;
    // HEVC keeps the mastering display of PQ in its pictures, where the streams' list
    // does not show it: the first frame says it.
    if (probed.colourTransfer == "smpte2084" && probed.masterDisplay.empty()) {
        ProbeReader frame;
        const ChildRunResult read = RunChild(FirstFrameArguments(path, probed.videoStream),
            {[&](std::string_view text) { frame.Feed(text); }, [](std::string_view) {}, onTick});
        frame.Feed("\n");
        if (read.stopSignal == 0 && ExitCodeOf(read.status) == 0)
            ReadMasteringDisplay(frame.values(), "frames.frame.0.", probed);
    }
    return probed;
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
