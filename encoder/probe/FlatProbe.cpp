#include "FlatProbe.h"

#include "InputProbe.h"
#include "LibavInput.h"
#include "StopSignals.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/display.h>
#include <libavutil/dovi_meta.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixdesc.h>
#include <libavutil/spherical.h>
#include <libavutil/stereo3d.h>
}

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// ffprobe's flat writer: "prefix.key=123" for numbers, "prefix.key=\"text\"" for texts, with
// the characters a shell would take escaped.
class FlatWriter {
public:
    explicit FlatWriter(const std::function<void(std::string_view)>& onText) : onText_(onText) {}

    void Int(const std::string& prefix, const char* key, long long value)
    {
        text_ += prefix;
        text_ += key;
        text_ += '=';
        text_ += std::to_string(value);
        text_ += '\n';
        Pass(false);
    }

    void Text(const std::string& prefix, const std::string& key, const char* value)
    {
        text_ += prefix;
        text_ += key;
        text_ += "=\"";
        for (const char* c = value; *c; ++c) {
            switch (*c) {
            case '\n': text_ += "\\n"; break;
            case '\r': text_ += "\\r"; break;
            case '\\': text_ += "\\\\"; break;
            case '"': text_ += "\\\""; break;
            case '`': text_ += "\\`"; break;
            case '$': text_ += "\\$"; break;
            default: text_ += *c;
            }
        }
        text_ += "\"\n";
        Pass(false);
    }

    void Ratio(const std::string& prefix, const char* key, AVRational value, char separator)
    {
        Text(prefix, key, (std::to_string(value.num) + separator + std::to_string(value.den)).c_str());
    }

    // Seconds as "%f", as ffprobe prints a time, "N/A" when there is none.
    void Time(const std::string& prefix, const char* key, int64_t ts, AVRational base)
    {
        if (ts == AV_NOPTS_VALUE)
            return Text(prefix, key, "N/A");
        char number[64];
        std::snprintf(number, sizeof number, "%f", ts * av_q2d(base));
        Text(prefix, key, number);
    }

    void Timestamp(const std::string& prefix, const char* key, int64_t ts)
    {
        ts == AV_NOPTS_VALUE ? Text(prefix, key, "N/A") : Int(prefix, key, ts);
    }

    // The text so far, passed on in pieces of some size.
    void Pass(bool all)
    {
        constexpr std::size_t kPiece = 32768;
        if (text_.empty() || (!all && text_.size() < kPiece))
            return;
        onText_(text_);
        text_.clear();
    }

private:
    const std::function<void(std::string_view)>& onText_;
    std::string text_;
};

// A floating value where ffprobe prints an integer: truncated, as its conversion does (x86
// gives the smallest integer for NaN).
long long Truncated(double value)
{
    return std::isnan(value) || std::abs(value) >= 9.2e18 ? LLONG_MIN : static_cast<long long>(value);
}

// A tag's text as ffprobe shows it: each invalid UTF-8 sequence replaced by U+FFFD.
std::string ValidText(const char* text)
{
    std::string valid;
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = p + std::strlen(text);
    while (*p) {
        const uint8_t* start = p;
        int32_t code = 0;
        if (av_utf8_decode(&code, &p, end, 0) < 0)
            valid += "\xEF\xBF\xBD";
        else
            valid.append(reinterpret_cast<const char*>(start), p - start);
    }
    return valid;
}

void WriteSideData(FlatWriter& out, const std::string& prefix, const AVCodecParameters& codec,
                   const AVPacketSideData& data)
{
    const char* name = av_packet_side_data_name(data.type);
    out.Text(prefix, "side_data_type", name ? name : "unknown");
    if (data.type == AV_PKT_DATA_DISPLAYMATRIX && data.size >= 9 * 4) {
        std::string matrix = "\n";
        for (int row = 0; row < 3; ++row) {
            char line[64];
            std::snprintf(line, sizeof line, "%08x:  %11d %11d %11d\n", row, AV_RN32(data.data + 12 * row),
                          AV_RN32(data.data + 12 * row + 4), AV_RN32(data.data + 12 * row + 8));
            matrix += line;
        }
        out.Text(prefix, "displaymatrix", matrix.c_str());
        out.Int(prefix, "rotation", Truncated(av_display_rotation_get(reinterpret_cast<const int32_t*>(data.data))));
    } else if (data.type == AV_PKT_DATA_STEREO3D) {
        const auto* stereo = reinterpret_cast<const AVStereo3D*>(data.data);
        out.Text(prefix, "type", av_stereo3d_type_name(stereo->type));
        out.Int(prefix, "inverted", (stereo->flags & AV_STEREO3D_FLAG_INVERT) != 0);
    } else if (data.type == AV_PKT_DATA_SPHERICAL) {
        const auto* spherical = reinterpret_cast<const AVSphericalMapping*>(data.data);
        out.Text(prefix, "projection", av_spherical_projection_name(spherical->projection));
        if (spherical->projection == AV_SPHERICAL_CUBEMAP) {
            out.Int(prefix, "padding", spherical->padding);
        } else if (spherical->projection == AV_SPHERICAL_EQUIRECTANGULAR_TILE) {
            size_t left = 0, top = 0, right = 0, bottom = 0;
            av_spherical_tile_bounds(spherical, codec.width, codec.height, &left, &top, &right, &bottom);
            out.Int(prefix, "bound_left", static_cast<long long>(left));
            out.Int(prefix, "bound_top", static_cast<long long>(top));
            out.Int(prefix, "bound_right", static_cast<long long>(right));
            out.Int(prefix, "bound_bottom", static_cast<long long>(bottom));
        }
        out.Int(prefix, "yaw", Truncated(static_cast<double>(spherical->yaw) / (1 << 16)));
        out.Int(prefix, "pitch", Truncated(static_cast<double>(spherical->pitch) / (1 << 16)));
        out.Int(prefix, "roll", Truncated(static_cast<double>(spherical->roll) / (1 << 16)));
    } else if (data.type == AV_PKT_DATA_SKIP_SAMPLES && data.size == 10) {
        out.Int(prefix, "skip_samples", AV_RL32(data.data));
        out.Int(prefix, "discard_padding", AV_RL32(data.data + 4));
        out.Int(prefix, "skip_reason", AV_RL8(data.data + 8));
        out.Int(prefix, "discard_reason", AV_RL8(data.data + 9));
    } else if (data.type == AV_PKT_DATA_MASTERING_DISPLAY_METADATA) {
        const auto* display = reinterpret_cast<const AVMasteringDisplayMetadata*>(data.data);
        if (display->has_primaries) {
            const char* keys[3][2] = {{"red_x", "red_y"}, {"green_x", "green_y"}, {"blue_x", "blue_y"}};
            for (int colour = 0; colour < 3; ++colour)
                for (int axis = 0; axis < 2; ++axis)
                    out.Ratio(prefix, keys[colour][axis], display->display_primaries[colour][axis], '/');
            out.Ratio(prefix, "white_point_x", display->white_point[0], '/');
            out.Ratio(prefix, "white_point_y", display->white_point[1], '/');
        }
        if (display->has_luminance) {
            out.Ratio(prefix, "min_luminance", display->min_luminance, '/');
            out.Ratio(prefix, "max_luminance", display->max_luminance, '/');
        }
    } else if (data.type == AV_PKT_DATA_CONTENT_LIGHT_LEVEL) {
        const auto* light = reinterpret_cast<const AVContentLightMetadata*>(data.data);
        out.Int(prefix, "max_content", light->MaxCLL);
        out.Int(prefix, "max_average", light->MaxFALL);
    } else if (data.type == AV_PKT_DATA_DOVI_CONF) {
        const auto* dovi = reinterpret_cast<const AVDOVIDecoderConfigurationRecord*>(data.data);
        out.Int(prefix, "dv_version_major", dovi->dv_version_major);
        out.Int(prefix, "dv_version_minor", dovi->dv_version_minor);
        out.Int(prefix, "dv_profile", dovi->dv_profile);
        out.Int(prefix, "dv_level", dovi->dv_level);
        out.Int(prefix, "rpu_present_flag", dovi->rpu_present_flag);
        out.Int(prefix, "el_present_flag", dovi->el_present_flag);
        out.Int(prefix, "bl_present_flag", dovi->bl_present_flag);
        out.Int(prefix, "dv_bl_signal_compatibility_id", dovi->dv_bl_signal_compatibility_id);
    } else if (data.type == AV_PKT_DATA_AUDIO_SERVICE_TYPE) {
        out.Int(prefix, "service_type", *reinterpret_cast<const AVAudioServiceType*>(data.data));
    } else if (data.type == AV_PKT_DATA_CPB_PROPERTIES) {
        const auto* cpb = reinterpret_cast<const AVCPBProperties*>(data.data);
        out.Int(prefix, "max_bitrate", static_cast<long long>(cpb->max_bitrate));
        out.Int(prefix, "min_bitrate", static_cast<long long>(cpb->min_bitrate));
        out.Int(prefix, "avg_bitrate", static_cast<long long>(cpb->avg_bitrate));
        out.Int(prefix, "buffer_size", static_cast<long long>(cpb->buffer_size));
        out.Int(prefix, "vbv_delay", static_cast<long long>(cpb->vbv_delay));
    }
}

// A colour property's name, "unknown" where it is unspecified or has none.
void WriteColour(FlatWriter& out, const std::string& prefix, const char* key, const char* name, bool unspecified)
{
    out.Text(prefix, key, name && !unspecified ? name : "unknown");
}

const char* FieldOrderName(AVFieldOrder order)
{
    switch (order) {
    case AV_FIELD_PROGRESSIVE: return "progressive";
    case AV_FIELD_TT: return "tt";
    case AV_FIELD_BB: return "bb";
    case AV_FIELD_TB: return "tb";
    case AV_FIELD_BT: return "bt";
    default: return "unknown";
    }
}

void WriteDispositionAndTags(FlatWriter& out, const std::string& prefix, const AVStream& stream)
{
    out.Int(prefix + "disposition.", "default", (stream.disposition & AV_DISPOSITION_DEFAULT) != 0);
    out.Int(prefix + "disposition.", "attached_pic", (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0);
    // The tags asked for, matched as ffprobe matches them: whatever their case, named as the file names them.
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(stream.metadata, "", tag, AV_DICT_IGNORE_SUFFIX)))
        if (!av_strcasecmp(tag->key, "title") || !av_strcasecmp(tag->key, "language")
            || !av_strcasecmp(tag->key, "rotate"))
            out.Text(prefix + "tags.", ValidText(tag->key), ValidText(tag->value).c_str());
}

// A stream's entries at prefix ("streams.stream.N."); as a program's member, without its
// disposition and tags, which ffprobe's entries name only for the streams' own list.
void WriteStream(FlatWriter& out, AVFormatContext* context, AVStream* stream, const std::string& prefix,
                 bool inProgram)
{
    const AVCodecParameters& codec = *stream->codecpar;
    const char* type = av_get_media_type_string(codec.codec_type);
    out.Text(prefix, "codec_type", type ? type : "unknown");
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
        out.Int(prefix, "width", codec.width);
        out.Int(prefix, "height", codec.height);
        const AVRational sar = av_guess_sample_aspect_ratio(context, stream, nullptr);
        if (sar.num)
            out.Ratio(prefix, "sample_aspect_ratio", sar, ':');
        else
            out.Text(prefix, "sample_aspect_ratio", "N/A");
        const char* pixels = av_get_pix_fmt_name(static_cast<AVPixelFormat>(codec.format));
        out.Text(prefix, "pix_fmt", pixels ? pixels : "unknown");
        WriteColour(out, prefix, "color_range", av_color_range_name(codec.color_range),
                    codec.color_range == AVCOL_RANGE_UNSPECIFIED);
        WriteColour(out, prefix, "color_space", av_color_space_name(codec.color_space),
                    codec.color_space == AVCOL_SPC_UNSPECIFIED);
        WriteColour(out, prefix, "color_transfer", av_color_transfer_name(codec.color_trc),
                    codec.color_trc == AVCOL_TRC_UNSPECIFIED);
        WriteColour(out, prefix, "color_primaries", av_color_primaries_name(codec.color_primaries),
                    codec.color_primaries == AVCOL_PRI_UNSPECIFIED);
        out.Text(prefix, "field_order", FieldOrderName(codec.field_order));
    } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
        out.Text(prefix, "sample_rate", std::to_string(codec.sample_rate).c_str());
        out.Int(prefix, "channels", codec.ch_layout.nb_channels);
    }
    out.Ratio(prefix, "r_frame_rate", stream->r_frame_rate, '/');
    out.Ratio(prefix, "avg_frame_rate", stream->avg_frame_rate, '/');
    out.Ratio(prefix, "time_base", stream->time_base, '/');
    out.Time(prefix, "start_time", stream->start_time, stream->time_base);
    out.Time(prefix, "duration", stream->duration, stream->time_base);
    out.Text(prefix, "nb_frames", stream->nb_frames ? std::to_string(stream->nb_frames).c_str() : "N/A");
    if (!inProgram)
        WriteDispositionAndTags(out, prefix, *stream);
    for (int index = 0; index < stream->nb_side_data; ++index)
        WriteSideData(out, prefix + "side_data_list.side_data." + std::to_string(index) + ".", codec,
                      stream->side_data[index]);
}

} // namespace

PictureSpan ReadPictureSpan(const std::string& path)
{
    const std::function<void()> noTick;
    ReadWatch watch{noTick};
    const OpenedInput input = OpenInput(path, watch);
    if (!input.context)
        return {input.error};
    PictureSpan span;
    for (unsigned index = 0; index < input.context->nb_streams; ++index)
        span.hasPicture = span.hasPicture || input.context->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (input.context->duration > 0)
        span.seconds = static_cast<double>(input.context->duration) / AV_TIME_BASE;
    return span;
}

FlatProbeResult ProbeFlat(const std::string& path, const std::function<void(std::string_view)>& onText,
                          const std::function<void()>& onTick)
{
    ReadWatch watch{onTick};
    const OpenedInput input = OpenInput(path, watch);
    if (!input.context)
        return {StopSignal() != 0, input.error};
    const auto& context = input.context;
    // Streams that turn up while the packets are read are left out, as ffprobe leaves them.
    const unsigned streams = context->nb_streams;
    FlatWriter out(onText);
    const PacketPtr packet(av_packet_alloc());
    if (!packet)
        return {false, ErrorText(AVERROR(ENOMEM))};
    long long shown = 0;
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        if (static_cast<unsigned>(packet->stream_index) < streams) {
            const std::string prefix = "packets.packet." + std::to_string(shown++) + ".";
            out.Int(prefix, "stream_index", packet->stream_index);
            out.Timestamp(prefix, "pts", packet->pts);
            out.Timestamp(prefix, "dts", packet->dts);
            packet->duration == 0 ? out.Text(prefix, "duration", "N/A")
                                  : out.Timestamp(prefix, "duration", packet->duration);
        }
        av_packet_unref(packet.get());
    }
    if (StopSignal() != 0)
        return {true, {}};
    // ffprobe's stream entries also list the streams of each program (of a transport stream).
    for (unsigned place = 0; place < context->nb_programs; ++place) {
        const AVProgram* program = context->programs[place];
        int member = 0;
        for (unsigned index = 0; program && index < program->nb_stream_indexes; ++index)
            if (program->stream_index[index] < streams)
                WriteStream(out, context.get(), context->streams[program->stream_index[index]],
                            "programs.program." + std::to_string(place) + ".streams.stream." + std::to_string(member++)
                                + ".",
                            true);
    }
    for (unsigned index = 0; index < streams; ++index)
        WriteStream(out, context.get(), context->streams[index], "streams.stream." + std::to_string(index) + ".", false);
    out.Text("format.", "format_name", context->iformat->name);
    out.Time("format.", "start_time", context->start_time, AV_TIME_BASE_Q);
    out.Time("format.", "duration", context->duration, AV_TIME_BASE_Q);
    out.Pass(true);
    return {};
}
