#include "MediaFacts.h"

#include "BrokenEnd.h"
#include "JobError.h"
#include "LibavInput.h"
#include "StopSignals.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixdesc.h>
}

#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string Fraction::Text(char between) const
{
    return std::to_string(num) + between + std::to_string(den);
}

Fraction ParseFraction(std::string_view text)
{
    const auto number = [](std::string_view part, long long& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return !part.empty() && error == std::errc() && end == part.data() + part.size();
    };
    Fraction fraction;
    const std::size_t split = text.find_first_of("/:");
    if (split == std::string_view::npos) {
        fraction.den = 1;
        if (!number(text, fraction.num))
            return {};
    } else if (!number(text.substr(0, split), fraction.num) || !number(text.substr(split + 1), fraction.den)) {
        return {};
    }
    return fraction.Valid() ? fraction : Fraction{};
}

FileIdentity FileIdentity::Of(const struct stat& file)
{
    return {static_cast<unsigned long long>(file.st_dev), static_cast<unsigned long long>(file.st_ino), file.st_size,
            static_cast<long long>(file.st_mtim.tv_sec) * 1000000000LL + file.st_mtim.tv_nsec};
}

double MediaStream::DisplayAspect() const
{
    if (width <= 0 || height <= 0)
        return 0;
    const double aspect = width * (pixelAspect.Valid() ? pixelAspect.Value() : 1.0) / height;
    return turn % 180 == 90 ? 1 / aspect : aspect;
}

std::string MediaFacts::Tag(const std::string& key) const
{
    const auto found = tags.find(key);
    return found == tags.end() ? std::string() : found->second;
}

namespace {

std::map<std::string, std::string> TagsOf(const AVDictionary* dictionary)
{
    std::map<std::string, std::string> tags;
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(dictionary, "", tag, AV_DICT_IGNORE_SUFFIX)))
        tags[tag->key] = tag->value;
    return tags;
}

std::string TagOf(const AVDictionary* dictionary, const char* key)
{
    const AVDictionaryEntry* tag = av_dict_get(dictionary, key, nullptr, 0);
    return tag ? tag->value : "";
}

double Seconds(int64_t time, AVRational base)
{
    return time == AV_NOPTS_VALUE ? 0 : static_cast<double>(time) * av_q2d(base);
}

Fraction FractionOf(AVRational ratio)
{
    const Fraction fraction{ratio.num, ratio.den};
    return fraction.Valid() ? fraction : Fraction{};
}

// A colour property's name; empty where it is unspecified or reserved.
std::string ColourName(const char* name, bool unspecified)
{
    return name && !unspecified && std::string_view(name) != "reserved" && std::string_view(name) != "unknown" ? name
                                                                                                              : "";
}

// A quarter, half or three-quarter turn clockwise, from degrees either way.
int QuarterTurns(double clockwise)
{
    return static_cast<int>(((std::lround(clockwise / 90) % 4) + 4) % 4) * 90;
}

void ReadMastering(const AVMasteringDisplayMetadata& display, MediaStream& stream)
{
    if (!display.has_primaries || !display.has_luminance)
        return;
    const auto units = [](AVRational value, double scale) { return std::to_string(std::lround(av_q2d(value) * scale)); };
    const auto point = [&](const AVRational* xy) { return "(" + units(xy[0], 50000) + "," + units(xy[1], 50000) + ")"; };
    // x265 names green, blue and red in this order; the metadata keeps red, green, blue.
    stream.masterDisplay = "G" + point(display.display_primaries[1]) + "B" + point(display.display_primaries[2]) + "R"
        + point(display.display_primaries[0]) + "WP" + point(display.white_point) + "L("
        + units(display.max_luminance, 10000) + "," + units(display.min_luminance, 10000) + ")";
    stream.masteringPeak = std::round(av_q2d(display.max_luminance));
}

void ReadLight(const AVContentLightMetadata& light, MediaStream& stream)
{
    stream.contentLight = std::to_string(light.MaxCLL) + "," + std::to_string(light.MaxFALL);
}

MediaStream StreamOf(const AVFormatContext& context, AVStream& stream)
{
    const AVCodecParameters& codec = *stream.codecpar;
    MediaStream facts;
    facts.index = stream.index;
    switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO: facts.kind = StreamKind::Video; break;
    case AVMEDIA_TYPE_AUDIO: facts.kind = StreamKind::Audio; break;
    case AVMEDIA_TYPE_SUBTITLE: facts.kind = StreamKind::Subtitle; break;
    case AVMEDIA_TYPE_DATA: facts.kind = StreamKind::Data; break;
    case AVMEDIA_TYPE_ATTACHMENT: facts.kind = StreamKind::Attachment; break;
    default: break;
    }
    facts.codec = avcodec_get_name(codec.codec_id);
    if (const char* profile = avcodec_profile_name(codec.codec_id, codec.profile))
        facts.profile = profile;
    facts.level = codec.level > 0 ? codec.level : 0;
    if (codec.extradata && codec.extradata_size > 0)
        facts.headers.assign(reinterpret_cast<const char*>(codec.extradata), codec.extradata_size);
    facts.timeBase = FractionOf(stream.time_base);
    facts.start = Seconds(stream.start_time, stream.time_base);
    facts.duration = Seconds(stream.duration, stream.time_base);
    facts.frames = stream.nb_frames;
    facts.bitRate = codec.bit_rate;
    facts.attachedPicture = (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
    facts.isDefault = (stream.disposition & AV_DISPOSITION_DEFAULT) != 0;
    facts.language = TagOf(stream.metadata, "language");
    facts.title = TagOf(stream.metadata, "title");
    if (facts.kind == StreamKind::Video) {
        facts.width = codec.width;
        facts.height = codec.height;
        facts.pixelAspect = FractionOf(av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(&context), &stream,
                                                                    nullptr));
        if (const char* pixels = av_get_pix_fmt_name(static_cast<AVPixelFormat>(codec.format)))
            facts.pixelFormat = pixels;
        facts.frameRate = FractionOf(stream.r_frame_rate);
        facts.averageFrameRate = FractionOf(stream.avg_frame_rate);
        facts.interlaced = codec.field_order == AV_FIELD_TT || codec.field_order == AV_FIELD_BB
            || codec.field_order == AV_FIELD_TB || codec.field_order == AV_FIELD_BT;
        facts.colourMatrix = ColourName(av_color_space_name(codec.color_space), codec.color_space == AVCOL_SPC_UNSPECIFIED);
        facts.colourPrimaries = ColourName(av_color_primaries_name(codec.color_primaries),
                                           codec.color_primaries == AVCOL_PRI_UNSPECIFIED);
        facts.colourTransfer = ColourName(av_color_transfer_name(codec.color_trc), codec.color_trc == AVCOL_TRC_UNSPECIFIED);
        facts.colourRange = ColourName(av_color_range_name(codec.color_range), codec.color_range == AVCOL_RANGE_UNSPECIFIED);
        // The older tag says the turn clockwise; the display matrix, the turn it applies
        // counterclockwise.
        if (const std::string rotate = TagOf(stream.metadata, "rotate"); !rotate.empty())
            facts.turn = QuarterTurns(std::atof(rotate.c_str()));
        for (int index = 0; index < stream.nb_side_data; ++index) {
            const AVPacketSideData& data = stream.side_data[index];
            if (data.type == AV_PKT_DATA_DISPLAYMATRIX && data.size >= 9 * 4) {
                const double rotation = av_display_rotation_get(reinterpret_cast<const int32_t*>(data.data));
                if (std::isfinite(rotation))
                    facts.turn = QuarterTurns(-rotation);
            } else if (data.type == AV_PKT_DATA_MASTERING_DISPLAY_METADATA) {
                ReadMastering(*reinterpret_cast<const AVMasteringDisplayMetadata*>(data.data), facts);
            } else if (data.type == AV_PKT_DATA_CONTENT_LIGHT_LEVEL) {
                ReadLight(*reinterpret_cast<const AVContentLightMetadata*>(data.data), facts);
            }
        }
    } else if (facts.kind == StreamKind::Audio) {
        facts.sampleRate = codec.sample_rate;
        facts.channels = codec.ch_layout.nb_channels;
    }
    return facts;
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

// Reads the packets, as many as asked, into each stream's times.
void ReadPackets(AVFormatContext& context, MediaFacts& facts, const MediaRead& read)
{
    constexpr long kFirstPackets = 50;
    const unsigned streams = static_cast<unsigned>(facts.streams.size());
    std::vector<std::vector<RawPacketTime>> raws(streams);
    const PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw JobError("Out of memory while reading " + facts.path);
    std::vector<std::vector<bool>> hidden(streams);
    std::map<int, BrokenEnd> ends;
    // Matroska states each block's size: its demuxer leaves out a block cut off, and every
    // packet it gives is whole.
    const bool wholePackets = std::string_view(context.iformat->name) == "matroska,webm";
    if (read.brokenEnds && read.packets == MediaRead::Packets::All && !wholePackets)
        for (const int index : {facts.video, facts.audio})
            if (index >= 0)
                ends.emplace(index, BrokenEnd(index == facts.video, *context.streams[index]->codecpar));
    long order = 0;
    // The first packets go on while an edit list hides them, to count what it hides.
    bool hiding = false;
    while ((read.packets == MediaRead::Packets::All || order < kFirstPackets || hiding)
           && av_read_frame(&context, packet.get()) >= 0) {
        const auto index = static_cast<unsigned>(packet->stream_index);
        hiding = false;
        if (index < streams && (packet->pts != AV_NOPTS_VALUE || packet->dts != AV_NOPTS_VALUE)) {
            MediaStream& stream = facts.streams[index];
            RawPacketTime raw;
            raw.hasPts = packet->pts != AV_NOPTS_VALUE;
            raw.hasDts = packet->dts != AV_NOPTS_VALUE;
            raw.pts = raw.hasPts ? packet->pts : 0;
            raw.dts = raw.hasDts ? packet->dts : 0;
            raw.duration = std::max<int64_t>(0, packet->duration);
            raw.order = order;
            const bool discarded = packet->flags & AV_PKT_FLAG_DISCARD;
            if (discarded) {
                ++stream.hiddenPackets;
                stream.hiddenSeconds += raw.duration * stream.timeBase.Value();
                hiding = true;
            }
            if (raw.hasDts && !stream.decodeStepBackAt && !raws[index].empty() && raws[index].back().hasDts
                && raw.dts < raws[index].back().dts)
                stream.decodeStepBackAt = raw.dts * stream.timeBase.Value();
            raws[index].push_back(raw);
            hidden[index].push_back(discarded);
        }
        if (const auto end = ends.find(packet->stream_index); end != ends.end())
            end->second.Keep(*packet);
        ++order;
        av_packet_unref(packet.get());
    }
    for (unsigned index = 0; index < streams; ++index) {
        MediaStream& stream = facts.streams[index];
        if (!stream.timeBase.Valid())
            continue;
        stream.packets = TimesOfPackets(raws[index], stream.timeBase.Value());
        if (read.shownTimes)
            for (std::size_t place = 0; place < raws[index].size(); ++place)
                if (!hidden[index][place] && raws[index][place].hasPts)
                    stream.shownTimes.push_back(raws[index][place].pts * stream.timeBase.Value());
    }
    for (const auto& [index, end] : ends)
        if (StopSignal() == 0)
            facts.streams[index].brokenFrom = end.From(*context.streams[index]);
}

// HEVC keeps a PQ picture's mastering display in its frames, where the streams' list does
// not show it: the first decoded frame says it.
void ReadFirstFrameLight(AVFormatContext& context, MediaStream& stream)
{
    AVStream& av = *context.streams[stream.index];
    const CodecPtr codec = OpenDecoder(av);
    const PacketPtr packet(av_packet_alloc());
    const FramePtr frame(av_frame_alloc());
    if (!codec || !packet || !frame || av_seek_frame(&context, -1, 0, AVSEEK_FLAG_BACKWARD) < 0)
        return;
    constexpr int kMostPackets = 64;
    for (int packets = 0; packets < kMostPackets && av_read_frame(&context, packet.get()) >= 0; ++packets) {
        const bool ours = packet->stream_index == stream.index;
        if (ours)
            avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        if (ours && avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
            if (const AVFrameSideData* data = av_frame_get_side_data(frame.get(), AV_FRAME_DATA_MASTERING_DISPLAY_METADATA))
                ReadMastering(*reinterpret_cast<const AVMasteringDisplayMetadata*>(data->data), stream);
            if (const AVFrameSideData* data = av_frame_get_side_data(frame.get(), AV_FRAME_DATA_CONTENT_LIGHT_LEVEL))
                ReadLight(*reinterpret_cast<const AVContentLightMetadata*>(data->data), stream);
            return;
        }
    }
}

} // namespace

MediaFacts ReadMedia(const std::string& path, const MediaRead& read)
{
    MediaFacts facts;
    facts.path = path;
    facts.identity = FileIdentity::Of(CheckReadableFile(path));
    ReadWatch watch{read.onTick};
    const OpenedInput input = OpenInput(path, watch);
    if (!input.context) {
        facts.stopped = StopSignal() != 0;
        if (facts.stopped)
            return facts;
        throw JobError("Input file is not a readable video file (" + input.error + "): " + path);
    }
    AVFormatContext& context = *input.context;
    facts.formatName = context.iformat->name;
    facts.start = Seconds(context.start_time, AV_TIME_BASE_Q);
    facts.duration = Seconds(context.duration, AV_TIME_BASE_Q);
    facts.tags = TagsOf(context.metadata);
    bool defaultSound = false;
    for (unsigned index = 0; index < context.nb_streams; ++index) {
        facts.streams.push_back(StreamOf(context, *context.streams[index]));
        // A stream that does not say where it starts starts with the file.
        if (context.streams[index]->start_time == AV_NOPTS_VALUE)
            facts.streams.back().start = facts.start;
        const MediaStream& stream = facts.streams.back();
        if (stream.IsVideo() && facts.video < 0)
            facts.video = static_cast<int>(index);
        if (stream.kind == StreamKind::Audio && stream.sampleRate > 0 && stream.channels > 0
            && (facts.audio < 0 || (stream.isDefault && !defaultSound))) {
            facts.audio = static_cast<int>(index);
            defaultSound = stream.isDefault;
        }
    }
    for (unsigned index = 0; index < context.nb_chapters; ++index) {
        const AVChapter& chapter = *context.chapters[index];
        facts.chapters.push_back({Seconds(chapter.start, chapter.time_base), Seconds(chapter.end, chapter.time_base),
                                  TagOf(chapter.metadata, "title")});
    }
    if (read.packets != MediaRead::Packets::None)
        ReadPackets(context, facts, read);
    if (read.firstFrameLight && facts.video >= 0 && facts.streams[facts.video].colourTransfer == "smpte2084"
        && facts.streams[facts.video].masterDisplay.empty())
        ReadFirstFrameLight(context, facts.streams[facts.video]);
    facts.stopped = StopSignal() != 0;
    return facts;
}
