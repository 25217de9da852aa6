#include "FfmpegPlan.h"

#include "TempOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

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
    // A picture stream shorter than the input's length gets its last frame held.
    if (const long frames = FramesAt(input, format.frameRate); frames > 0)
        chain += ",tpad=stop=-1:stop_mode=clone,trim=end_frame=" + std::to_string(frames);
    chain += ",scale=" + std::to_string(format.width) + ":" + std::to_string(format.height);
    chain += format.displayAspect > 0 ? ",setdar=" + Fixed(format.displayAspect, 6) : ",setsar=1";
    chain += ",format=" + encoding.pixelFormat;
    return chain;
}

std::string AudioFormat(const OutputFormat& format)
{
    return "aformat=sample_fmts=fltp:sample_rates=" + std::to_string(format.sampleRate)
        + ":channel_layouts=" + ChannelLayout(format.channels);
}

// The samples that last as long as the input's frames.
long SamplesOf(const OutputFormat& format, const InputInfo& input)
{
    return std::lround(FramesAt(input, format.frameRate) * format.sampleRate / format.frameRate);
}

std::string AudioChain(const OutputFormat& format, const InputInfo& input)
{
    const long samples = SamplesOf(format, input);
    return "asetpts=PTS-STARTPTS,aresample=" + std::to_string(format.sampleRate) + "," + AudioFormat(format)
        + (samples > 0 ? ",apad,atrim=end_sample=" + std::to_string(samples) : "");
}

std::string SilenceSource(const OutputFormat& format, const InputInfo& input)
{
    return "anullsrc=r=" + std::to_string(format.sampleRate) + ":cl=" + ChannelLayout(format.channels) + ","
        + AudioFormat(format) + ",atrim=end_sample=" + std::to_string(SamplesOf(format, input));
}

// "[file:stream]", built by appending (GCC 12 warns wrongly on "[" + std::string).
std::string StreamPad(std::size_t file, int stream)
{
    std::string pad = "[";
    pad += std::to_string(file);
    pad += ':';
    pad += std::to_string(stream);
    pad += ']';
    return pad;
}

// The name of input i's chain; a single chain is the result itself.
std::string Label(const std::string& kind, std::size_t i, std::size_t count)
{
    return count == 1 ? "[" + kind + "]" : "[" + kind + std::to_string(i) + "]";
}

// The chains named by Label, joined in order into [kind].
std::string Joined(const std::string& chains, const std::string& kind, std::size_t count)
{
    if (count == 1)
        return chains;
    std::string graph = chains + ";";
    for (std::size_t i = 0; i < count; ++i)
        graph += Label(kind, i, count);
    return graph + "concat=n=" + std::to_string(count) + (kind == "v" ? ":v=1:a=0" : ":v=0:a=1") + "[" + kind + "]";
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

std::vector<std::string> Head(bool progress)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "warning", "-y"};
    if (progress)
        args.insert(args.end(), {"-progress", "pipe:1", "-stats_period", "0.1"});
    return args;
}

std::vector<std::string> VideoPartArguments(const Request& request, const Encoding& encoding,
                                            const OutputFormat& format, const std::vector<InputInfo>& inputs)
{
    std::vector<std::string> args = Head(true);
    std::string graph;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        args.insert(args.end(), {"-i", FileUrl(inputs[i].path)});
        if (i > 0)
            graph += ";";
        graph += StreamPad(i, inputs[i].videoStream) + VideoChain(format, encoding, inputs[i])
            + Label("v", i, inputs.size());
    }
    args.insert(args.end(), {"-filter_complex", Joined(graph, "v", inputs.size()), "-map", "[v]"});
    const auto video = VideoCodecArguments(request, encoding);
    args.insert(args.end(), video.begin(), video.end());
    args.insert(args.end(), {"-r", FrameRateText(format.frameRate), "-f", encoding.muxer, ChildFdPath(3)});
    return args;
}

std::vector<std::string> AudioPartArguments(const Request& request, const Encoding& encoding,
                                            const OutputFormat& format, const std::vector<InputInfo>& inputs)
{
    std::vector<std::string> args = Head(false);
    std::string graph;
    std::size_t opened = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputInfo& input = inputs[i];
        if (i > 0)
            graph += ";";
        if (input.audioStream >= 0) {
            args.insert(args.end(), {"-i", FileUrl(input.path)});
            graph += StreamPad(opened++, input.audioStream) + AudioChain(format, input);
        } else {
            graph += SilenceSource(format, input);
        }
        graph += Label("a", i, inputs.size());
    }
    args.insert(args.end(), {"-filter_complex", Joined(graph, "a", inputs.size()), "-map", "[a]"});
    const auto audio = AudioCodecArguments(request, encoding, format);
    args.insert(args.end(), audio.begin(), audio.end());
    // AVI and MPEG-PS parts lose the packet times of some sound codecs; Matroska keeps them.
    args.insert(args.end(), {"-f", "matroska", ChildFdPath(3)});
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

long FramesAt(const InputInfo& input, double frameRate)
{
    return input.duration > 0 ? static_cast<long>(std::ceil(input.duration * frameRate - 1e-6)) : 0;
}

std::vector<std::vector<InputInfo>> VideoGroups(const Encoding& encoding, const std::vector<InputInfo>& inputs,
                                                unsigned cores)
{
    // Containers whose parts the concat demuxer joins exactly, by their indexes; AVI
    // keeps no timestamps for x264's reordered frames.
    const bool share = encoding.container == Container::Mp4 || encoding.container == Container::Mov
        || (encoding.container == Container::Avi && encoding.videoEncoder != "libx264");
    const std::size_t runs = share ? std::min<std::size_t>(inputs.size(), std::max(cores, 1u)) : 1;
    double total = 0;
    for (const InputInfo& input : inputs)
        total += input.duration;
    std::vector<std::vector<InputInfo>> groups(1);
    double done = 0;
    for (const InputInfo& input : inputs) {
        // A new run starts where the input's middle lies past the current run's share.
        if (!groups.back().empty() && groups.size() < runs
            && done + input.duration / 2 > total * static_cast<double>(groups.size()) / static_cast<double>(runs))
            groups.emplace_back();
        groups.back().push_back(input);
        done += input.duration;
    }
    return groups;
}

FfmpegPlan BuildFfmpegPlan(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                           const std::string& target, int firstPartFd)
{
    const OutputFormat format = ChooseOutputFormat(request, encoding, inputs);
    const auto groups = VideoGroups(encoding, inputs, std::thread::hardware_concurrency());
    FfmpegPlan plan;
    for (const auto& group : groups)
        plan.videoParts.push_back(VideoPartArguments(request, encoding, format, group));
    plan.audioPart = AudioPartArguments(request, encoding, format, inputs);

    plan.copy = Head(false);
    const int firstVideoFd = firstPartFd + 1;
    if (groups.size() == 1) {
        plan.copy.insert(plan.copy.end(), {"-i", ChildFdPath(firstVideoFd)});
    } else {
        plan.partList = "ffconcat version 1.0\n";
        for (std::size_t i = 0; i < groups.size(); ++i)
            plan.partList += "file " + ChildFdPath(firstVideoFd + static_cast<int>(i)) + "\n";
        plan.copy.insert(plan.copy.end(), {"-f", "concat", "-safe", "0", "-i",
                                           ChildFdPath(firstVideoFd + static_cast<int>(groups.size()))});
    }
    plan.copy.insert(plan.copy.end(), {"-i", ChildFdPath(firstPartFd), "-map", "0:v", "-map", "1:a", "-c", "copy",
                                       "-f", encoding.muxer, target});
    return plan;
}
