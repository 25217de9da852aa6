#include "BrokenEnd.h"

namespace {

// A group of pictures longer than this is not decoded: its key frames are not marked.
constexpr std::size_t kMostPicturePackets = 1200;
constexpr std::size_t kSoundPackets = 48;
constexpr std::size_t kSoundWarmUp = 8;

} // namespace

BrokenEnd::BrokenEnd(bool picture)
    : picture_(picture)
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
    if (packet.flags & AV_PKT_FLAG_KEY) {
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
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return std::nullopt;
    for (std::size_t index = 0; index < packets_.size(); ++index) {
        const AVPacket& packet = *packets_[index];
        const bool broken = (packet.flags & AV_PKT_FLAG_CORRUPT) || avcodec_send_packet(codec.get(), &packet) < 0;
        if (broken && index >= checkedFrom_)
            return static_cast<double>(packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts) * av_q2d(stream.time_base);
        while (avcodec_receive_frame(codec.get(), frame.get()) >= 0)
            av_frame_unref(frame.get());
    }
    return std::nullopt;
}
