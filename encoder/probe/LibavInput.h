#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Stops libavformat's reading when a stop signal arrives, and ticks while it reads.
struct ReadWatch {
    static constexpr auto kTick = std::chrono::milliseconds(60);
    const std::function<void()>& onTick;
    std::chrono::steady_clock::time_point nextTick = std::chrono::steady_clock::now() + kTick;

    static int Interrupt(void* opaque);
};

// libavutil's words for an error code.
std::string ErrorText(int error);

struct CloseInput {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct FreePacket {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FreeFrame {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreeCodec {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using CodecPtr = std::unique_ptr<AVCodecContext, FreeCodec>;

// A file opened and its streams found, or why it could not be.
struct OpenedInput {
    std::unique_ptr<AVFormatContext, CloseInput> context;
    std::string error;
};

// Opens the file as ffprobe would (every program of a transport stream looked for), its
// reading watched by watch, which must outlive the input.
OpenedInput OpenInput(const std::string& path, ReadWatch& watch);

// A decoder for the stream, with `threads` threads (0: chosen by libavcodec), carrying
// opaque for those who hear what it says; null when there is none.
CodecPtr OpenDecoder(const AVStream& stream, void* opaque = nullptr, int threads = 0);
