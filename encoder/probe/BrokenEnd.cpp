#include "BrokenEnd.h"

#include <memory>

namespace {

// A group of pictures longer than this is not decoded: its key frames are not marked.
constexpr std::size_t kMostPicturePackets = 1200;
constexpr std::size_t kSoundPackets = 48;
constexpr std::size_t kSoundWarmUp = 8;

struct CloseParser {
    void operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
};

// Whether the codec's parser finds the packet a whole frame, as a frame's header states
// its size: a sound packet cut off decodes without an error, and leaves the next input's
// sound to begin in the middle of a frame.
bool WholeFrame(AVCodecContext& codec, const AVPacket& packet)
{
    const std::unique_ptr<AVCodecParserContext, CloseParser> parser(av_parser_init(codec.codec_id));
    uint8_t* frame = nullptr;
    int frameSize = 0;
    if (parser)
        av_parser_parse2(parser.get(), &codec, &frame, &frameSize, packet.data, packet.size, AV_NOPTS_VALUE,
                         AV_NOPTS_VALUE, 0);
    return frameSize == packet.size;
}

// Whether an H.264 or HEVC key frame is an IDR picture, which refers to nothing before it,
// so that its group decodes without the one before.
bool StartsClosedGroup(const AVCodecParameters& codec, const AVPacket& packet)
{
    const bool hevc = codec.codec_id == AV_CODEC_ID_HEVC;
    if (codec.codec_id != AV_CODEC_ID_H264 && !hevc)
        return false;
    const auto idr = [&](uint8_t header) {
        return hevc ? ((header >> 1) & 0x3f) == 19 || ((header >> 1) & 0x3f) == 20 : (header & 0x1f) == 5;
    };
    const uint8_t* data = packet.data;
    const int size = packet.size;
    // MP4 and Matroska give each unit's length before it, as their headers say; others
    // start each with 00 00 01.
    const uint8_t* extra = codec.extradata;
    const bool lengths = extra && codec.extradata_size > (hevc ? 22 : 5) && extra[0] == 1;
    if (lengths) {
        const int lengthSize = (extra[hevc ? 21 : 4] & 3) + 1;
        for (int at = 0; at + lengthSize < size;) {
            long unit = 0;
            for (int byte = 0; byte < lengthSize; ++byte)
                unit = unit << 8 | data[at + byte];
            if (idr(data[at + lengthSize]))
                return true;
            at += lengthSize + static_cast<int>(unit);
        }
        return false;
    }
    for (int at = 0; at + 3 < size; ++at)
        if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1 && idr(data[at + 3]))
            return true;
    return false;
}

} // namespace

BrokenEnd::BrokenEnd(bool picture, const AVCodecParameters& codec)
    : picture_(picture)
    , codec_(codec)
{
}

void BrokenEnd::Keep(const AVPacket& packet)
{
    if (!picture_) {
        packets_.emplace_back(av_packet_clone(&packet));
        if (packets_.size() > kSoundPackets)
            packets_.pop_front();
        checkedFrom_ = std::min(kSoundWarmUp, packets_.size() - 1);
        return;
    }
    if ((packet.flags & AV_PKT_FLAG_KEY) && StartsClosedGroup(codec_, packet)) {
        packets_.clear();
        checkedFrom_ = 0;
    } else if (packet.flags & AV_PKT_FLAG_KEY) {
        packets_.erase(packets_.begin(), packets_.begin() + static_cast<std::ptrdiff_t>(checkedFrom_));
        checkedFrom_ = packets_.size();
    }
    // Decoding starts at a key frame.
    if (!packets_.empty() || (packet.flags & AV_PKT_FLAG_KEY))
        packets_.emplace_back(av_packet_clone(&packet));
    if (packets_.size() > kMostPicturePackets) {
        packets_.clear();
        checkedFrom_ = 0;
    }
}

std::optional<double> BrokenEnd::From(const AVStream& stream) const
{
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    const CodecPtr codec(avcodec_alloc_context3(decoder));
    const FramePtr frame(av_frame_alloc());
    if (packets_.empty() || !decoder || !codec || !frame
        || avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0)
        return std::nullopt;
    // One thread, so that an error belongs to the packet just sent.
    codec->thread_count = 1;
    codec->err_recognition = AV_EF_EXPLODE;
    // Only whether the packets decode counts, not how the pictures look.
    codec->skip_loop_filter = AVDISCARD_ALL;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return std::nullopt;
    const auto time = [&](const AVPacket& packet) {
        return static_cast<double>(packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts) * av_q2d(stream.time_base);
    };
    for (std::size_t index = 0; index < packets_.size(); ++index) {
        const AVPacket& packet = *packets_[index];
        const bool broken = (packet.flags & AV_PKT_FLAG_CORRUPT) || avcodec_send_packet(codec.get(), &packet) < 0;
        if (broken && index >= checkedFrom_)
            return time(packet);
        while (avcodec_receive_frame(codec.get(), frame.get()) >= 0)
            av_frame_unref(frame.get());
    }
    // The packet before the last shows whether the parser knows the frames of this stream.
    const std::size_t last = packets_.size() - 1;
    if (!picture_ && last > 0 && WholeFrame(*codec, *packets_[last - 1]) && !WholeFrame(*codec, *packets_[last]))
        return time(*packets_[last]);
    return std::nullopt;
}
