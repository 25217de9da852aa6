#include "DecodeCheck.h"

#include "LibavInput.h"

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

// What a decoder says it cannot decode; it says so only in its log, from any of its threads,
// each of which carries the tally in its context's opaque pointer.
struct ErrorTally {
    std::atomic<int> count{0};
    std::mutex lock;
    std::string firstWords;
};

void CountErrors(void* object, int level, const char* format, va_list list)
{
    if (level > AV_LOG_ERROR || !object)
        return;
    const AVClass* type = *static_cast<AVClass**>(object);
    if (!type || std::string_view(type->class_name) != "AVCodecContext")
        return;
    auto* tally = static_cast<ErrorTally*>(static_cast<AVCodecContext*>(object)->opaque);
    if (!tally || tally->count++ > 0)
        return;
    char text[256];
    std::vsnprintf(text, sizeof text, format, list);
    const std::lock_guard guard(tally->lock);
    tally->firstWords = text;
    while (!tally->firstWords.empty() && (tally->firstWords.back() == '\n' || tally->firstWords.back() == ' '))
        tally->firstWords.pop_back();
}

// The log's counting for as long as it lives, the quiet after.
struct ErrorLog {
    ErrorLog()
    {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(CountErrors);
    }
    ~ErrorLog()
    {
        av_log_set_callback(av_log_default_callback);
        av_log_set_level(AV_LOG_QUIET);
    }
};

} // namespace

DecodeFindings DecodePictures(const std::string& path, int stream, const std::vector<std::pair<double, double>>& windows,
                              const std::function<void()>& onTick)
{
    DecodeFindings found;
    ReadWatch watch{onTick};
    const OpenedInput input = OpenInput(path, watch);
    if (!input.context || stream < 0 || static_cast<unsigned>(stream) >= input.context->nb_streams)
        return found;
    AVFormatContext& context = *input.context;
    for (unsigned index = 0; index < context.nb_streams; ++index)
        context.streams[index]->discard = static_cast<int>(index) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream& picture = *context.streams[stream];
    ErrorTally tally;
    // Windows are short: threads would cost more than they give.
    const CodecPtr codec = OpenDecoder(picture, &tally, windows.empty() ? 0 : 1);
    const PacketPtr packet(av_packet_alloc());
    const FramePtr frame(av_frame_alloc());
    if (!codec || !packet || !frame)
        return found;
    // Only whether the pictures decode counts, not how they look.
    codec->skip_loop_filter = AVDISCARD_ALL;
    const double tick = av_q2d(picture.time_base);
    const double start = picture.start_time == AV_NOPTS_VALUE ? 0 : picture.start_time * tick;
    ErrorLog log;
    const auto note = [&](double at, const std::string& words) {
        if (found.errors++ == 0) {
            found.firstErrorAt = at;
            found.firstError = words;
        }
    };
    const auto receive = [&] {
        while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
            ++found.pictures;
            if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                note(frame->best_effort_timestamp * tick - start, "a damaged picture");
            av_frame_unref(frame.get());
        }
    };
    std::vector<std::pair<double, double>> spans = windows;
    if (spans.empty())
        spans.push_back({-1e300, 1e300});
    for (const auto& [from, to] : spans) {
        avcodec_flush_buffers(codec.get());
        if (from > -1e300
            && av_seek_frame(&context, stream, static_cast<int64_t>((from + start + 0.001) / tick), AVSEEK_FLAG_BACKWARD) < 0)
            continue;
        bool keyFrameSeen = false;
        while (av_read_frame(&context, packet.get()) >= 0) {
            const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const bool past = time != AV_NOPTS_VALUE && time * tick - start >= to;
            // After a seek, what comes before a key frame refers to pictures not read.
            keyFrameSeen = keyFrameSeen || (packet->flags & AV_PKT_FLAG_KEY);
            const bool ours = packet->stream_index == stream;
            if (ours && keyFrameSeen && !past) {
                if (const int sent = avcodec_send_packet(codec.get(), packet.get()); sent < 0 && sent != AVERROR(EAGAIN))
                    note(time * tick - start, ErrorText(sent));
                receive();
            }
            av_packet_unref(packet.get());
            if (past && ours)
                break;
        }
        avcodec_send_packet(codec.get(), nullptr);
        receive();
    }
    const int logged = tally.count.load();
    const std::lock_guard guard(tally.lock);
    if (logged > 0 && found.errors == 0)
        note(0, tally.firstWords);
    found.errors = std::max(found.errors, logged);
    if (found.firstError.empty())
        found.firstError = tally.firstWords;
    return found;
}
