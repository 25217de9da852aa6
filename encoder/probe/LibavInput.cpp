#include "LibavInput.h"

#include "InputProbe.h"
#include "StopSignals.h"

#include <cerrno>

int ReadWatch::Interrupt(void* opaque)
{
    auto* watch = static_cast<ReadWatch*>(opaque);
    if (const auto now = std::chrono::steady_clock::now(); now >= watch->nextTick) {
        watch->nextTick = now + kTick;
        if (watch->onTick)
            watch->onTick();
    }
    return StopSignal() != 0;
}

std::string ErrorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

OpenedInput OpenInput(const std::string& path, ReadWatch& watch)
{
    // The reasons the demuxers give along the way are not the program's messages.
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* opening = avformat_alloc_context();
    if (!opening)
        return {nullptr, ErrorText(AVERROR(ENOMEM))};
    opening->interrupt_callback = {&ReadWatch::Interrupt, &watch};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "scan_all_pmts", "1", 0);
    const int opened = avformat_open_input(&opening, FileUrl(path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return {nullptr, ErrorText(opened)};
    OpenedInput input{std::unique_ptr<AVFormatContext, CloseInput>(opening), {}};
    if (const int found = avformat_find_stream_info(opening, nullptr); found < 0)
        return {nullptr, ErrorText(found)};
    return input;
}

CodecPtr OpenDecoder(const AVStream& stream, void* opaque, int threads)
{
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!decoder)
        return nullptr;
    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0)
        return nullptr;
    codec->pkt_timebase = stream.time_base;
    codec->thread_count = threads;
    codec->opaque = opaque;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return nullptr;
    return codec;
}
