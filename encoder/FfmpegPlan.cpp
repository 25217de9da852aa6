#include "FfmpegPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ChannelLayout(int channels)
{
    static const char* const layouts[] = {"mono", "stereo", "3.0", "quad", "5.0", "5.1", "6.1", "7.1"};
    return layouts[std::clamp(channels, 1, 8) - 1];
}

int Even(int value)
{
    return std::max(2, value - value % 2);
}

std::string VideoChain(const OutputFormat& format, const Encoding& encoding, const InputInfo& input)
{
    std::string chain = "setpts=PTS-STARTPTS,fps=" + FrameRateText(format.frameRate);
    // The rate change may add a frame at the end; the input's own length is the measure.
    if (input.duration > 0)
        chain += ",trim=end=" + Fixed(input.duration, 6);
    chain += ",scale="
        + std::to_string(format.width) + ":" + std::to_string(format.height);
    chain += format.displayAspect > 0 ? ",setdar=" + Fixed(format.displayAspect, 6) : ",setsar=1";
    chain += ",format=" + encoding.pixelFormat;
    return chain;
}

std::string AudioFormat(const OutputFormat& format)
{
    return "aformat=sample_fmts=fltp:sample_rates=" + std::to_string(format.sampleRate)
        + ":channel_layouts=" + ChannelLayout(format.channels);
}

std::string AudioChain(const OutputFormat& format, const InputInfo& input)
{
    const std::string trim = input.duration > 0 ? ",apad,atrim=end=" + Fixed(input.duration, 6) : "";
    return "asetpts=PTS-STARTPTS,aresample=" + std::to_string(format.sampleRate) + "," + AudioFormat(format) + trim;
}

std::string SilenceSource(const OutputFormat& format, const InputInfo& input)
{
    return "anullsrc=r=" + std::to_string(format.sampleRate) + ":cl=" + ChannelLayout(format.channels) + ","
        + AudioFormat(format) + ",atrim=end=" + Fixed(input.duration, 6);
}

std::vector<std::string> VideoCodecArguments(const Request& request, const Encoding& encoding)
{
    std::vector<std::string> args = {"-c:v", encoding.videoEncoder};
    if (request.videoBitrate > 0) {
        args.insert(args.end(), {"-b:v", std::to_string(request.videoBitrate)});
    } else if (request.videoCodec.empty()) {
        // Intermediate files are encoded a second time by the join: keep them near lossless.
        // One encoder thread leaves the other core to the decoder, which costs more here
        // (measured in bench/encoder).
        args.insert(args.end(), {"-q:v", "2", "-threads", "1"});
    } else if (encoding.mpegVideoFamily) {
        args.insert(args.end(), {"-q:v", "2"});
    } else {
        args.insert(args.end(), {"-crf", "18"});
    }
    if (encoding.mpegVideoFamily && request.mbd)
        args.insert(args.end(), {"-mbd", std::to_string(*request.mbd)});
    return args;
}

std::vector<std::string> AudioCodecArguments(const Request& request, const Encoding& encoding,
                                             const OutputFormat& format)
{
    std::vector<std::string> args = {"-c:a", encoding.audioEncoder};
    if (encoding.audioEncoder == "libmp3lame" && request.audio == Request::Audio::Mp3Lame) {
        switch (request.lameMode) {
        case Request::LameMode::Vbr:
            args.insert(args.end(), {"-q:a", std::to_string(request.lameQuality.value_or(2))});
            break;
        case Request::LameMode::Abr:
            args.insert(args.end(), {"-b:a", std::to_string(request.lameBitrate) + "k", "-abr", "1"});
            break;
        case Request::LameMode::Cbr:
            args.insert(args.end(), {"-b:a", std::to_string(request.lameBitrate) + "k"});
            break;
        }
    } else if (request.audio == Request::Audio::Lavc && request.audioBitrate > 0) {
        args.insert(args.end(), {"-b:a", std::to_string(request.audioBitrate) + "k"});
    }
    args.insert(args.end(), {"-ar", std::to_string(format.sampleRate), "-ac", std::to_string(format.channels)});
    return args;
}

} // namespace

std::string FrameRateText(double rate)
{
    const double ntsc = rate * 1001.0 / 1000.0;
    if (std::fabs(ntsc - std::round(ntsc)) < 1e-3 && std::fabs(rate - std::round(rate)) > 1e-3)
        return std::to_string(static_cast<long>(std::round(ntsc)) * 1000) + "/1001";
    if (std::fabs(rate - std::round(rate)) < 1e-6)
        return std::to_string(static_cast<long>(std::round(rate)));
    return Fixed(rate, 4);
}

OutputFormat ChooseOutputFormat(const Request& request, const Encoding& encoding,
                                const std::vector<InputInfo>& inputs)
{
    const InputInfo& first = inputs.front();
    OutputFormat format;
    format.width = Even(request.scaleWidth > 0 ? request.scaleWidth : first.width);
    format.height = Even(request.scaleHeight > 0 ? request.scaleHeight : first.height);
    const double wantedRate = request.frameRate.empty() ? first.frameRate : [&] {
        const std::size_t slash = request.frameRate.find('/');
        return slash == std::string::npos
            ? std::stod(request.frameRate)
            : std::stod(request.frameRate.substr(0, slash)) / std::stod(request.frameRate.substr(slash + 1));
    }();
    format.frameRate = AllowedFrameRate(encoding, wantedRate);
    if (request.aspect)
        format.displayAspect = *request.aspect;
    else if (request.autoAspect)
        format.displayAspect = first.width * first.sampleAspect / first.height;

    const InputInfo* firstAudio = nullptr;
    for (const InputInfo& input : inputs)
        if (!firstAudio && input.audioStream >= 0)
            firstAudio = &input;
    const int wantedSampleRate = request.sampleRate > 0 ? request.sampleRate
        : firstAudio                                    ? firstAudio->sampleRate
                                                        : 44100;
    format.sampleRate = NearestSampleRate(encoding, wantedSampleRate);
    const int wantedChannels = request.channels > 0 ? request.channels : firstAudio ? firstAudio->channels : 2;
    format.channels = std::min(wantedChannels, encoding.maxChannels);
    return format;
}

std::string BuildFilterGraph(const OutputFormat& format, const Encoding& encoding,
                             const std::vector<InputInfo>& inputs)
{
    std::string graph;
    std::string joined;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputInfo& input = inputs[i];
        const std::string n = std::to_string(i);
        graph += "[" + n + ":" + std::to_string(input.videoStream) + "]" + VideoChain(format, encoding, input)
            + "[v" + n + "];";
        if (input.audioStream >= 0)
            graph += "[" + n + ":" + std::to_string(input.audioStream) + "]" + AudioChain(format, input);
        else
            graph += SilenceSource(format, input);
        graph += "[a" + n + "];";
        joined += "[v" + n + "][a" + n + "]";
    }
    return graph + joined + "concat=n=" + std::to_string(inputs.size()) + ":v=1:a=1[v][a]";
}

std::vector<std::string> BuildFfmpegArguments(const Request& request, const Encoding& encoding,
                                              const std::vector<InputInfo>& inputs,
                                              const std::string& target)
{
    const OutputFormat format = ChooseOutputFormat(request, encoding, inputs);
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "warning",
                                     "-progress", "pipe:1", "-stats_period", "0.1", "-y"};
    for (const InputInfo& input : inputs)
        args.insert(args.end(), {"-i", FileUrl(input.path)});
    args.insert(args.end(), {"-filter_complex", BuildFilterGraph(format, encoding, inputs),
                             "-map", "[v]", "-map", "[a]"});
    const auto video = VideoCodecArguments(request, encoding);
    args.insert(args.end(), video.begin(), video.end());
    args.insert(args.end(), {"-r", FrameRateText(format.frameRate)});
    const auto audio = AudioCodecArguments(request, encoding, format);
    args.insert(args.end(), audio.begin(), audio.end());
    args.insert(args.end(), {"-f", encoding.muxer, target});
    return args;
}
