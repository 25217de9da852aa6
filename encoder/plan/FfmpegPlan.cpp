#include "FfmpegPlan.h"

#include "Chapters.h"
#include "DvdStandard.h"
#include "KeptStreams.h"
#include "Loudness.h"
#include "RecordingFacts.h"
#include "SoundTracks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double ParseFrameRate(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        return std::stod(text);
    return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

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

std::string Seconds(double value)
{
    return Fixed(value, 6);
}

int EvenNear(double value)
{
    return std::max(2, 2 * static_cast<int>(std::lround(value / 2)));
}

// The part of the output frame that an input's picture fills, its shape as shown kept:
// all of it when the two shapes agree, else the rest is left to black bars.
std::pair<int, int> PictureBox(const OutputFormat& format, const InputInfo& input)
{
    const double frameAspect = format.displayAspect > 0 ? format.displayAspect
                                                        : static_cast<double>(format.width) / format.height;
    const double ratio = DisplayAspect(input) / frameAspect;
    if (std::fabs(ratio - 1) < 0.01)
        return {format.width, format.height};
    if (ratio > 1)
        return {format.width, EvenNear(format.height / ratio)};
    return {EvenNear(format.width * ratio), format.height};
}

std::string VideoChain(const OutputFormat& format, const InputInfo& input)
{
    std::string chain = input.start > 0 ? "setpts=PTS-" + Seconds(input.start) + "/TB," : "";
    // ffmpeg has already turned the picture upright; interlaced fields are woven into frames.
    if (input.interlaced)
        chain += "yadif,";
    // start_time=0 repeats a late picture's first frame back to the span's start.
    chain += "fps=" + FrameRateText(format.frameRate) + ":start_time=0";
    // A picture shorter than its span gets its last frame held.
    if (const long frames = FramesAt(input, format.frameRate); frames > 0)
        chain += ",tpad=stop=-1:stop_mode=clone,trim=end_frame=" + std::to_string(frames);
    const auto [width, height] = PictureBox(format, input);
    chain += "," + ColourScale(input, format.colour, width, height);
    if (width != format.width || height != format.height)
        chain += ",pad=" + std::to_string(format.width) + ":" + std::to_string(format.height)
            + ":(ow-iw)/2:(oh-ih)/2:black";
    chain += format.displayAspect > 0 ? ",setdar=" + Fixed(format.displayAspect, 6) : ",setsar=1";
    chain += ",format=" + format.colour.pixelFormat;
    return chain;
}

std::string AudioFormat(const OutputFormat& format)
{
    return "aformat=sample_fmts=fltp:sample_rates=" + std::to_string(format.sampleRate)
        + ":channel_layouts=" + ChannelLayout(format.channels);
}

std::string AudioChain(const OutputFormat& format, const InputInfo& input, long samples, double gain)
{
    std::string chain = input.start > 0 ? "asetpts=PTS-" + Seconds(input.start) + "/TB," : "";
    // first_pts=0 puts silence before sound that starts late and cuts sound from before
    // the span; async also fills gaps in the sound's timestamps.
    chain += "aresample=" + std::to_string(format.sampleRate) + ":async=1:first_pts=0:" + ChannelMix(format.channels)
        + "," + AudioFormat(format);
    if (gain != 0)
        chain += "," + GainFilter(gain);
    return chain + (samples > 0 ? ",apad,atrim=end_sample=" + std::to_string(samples) : "");
}

std::string SilenceSource(const OutputFormat& format, long samples)
{
    // With the length unknown, the join pads the silence to the picture's length.
    return "anullsrc=r=" + std::to_string(format.sampleRate) + ":cl=" + ChannelLayout(format.channels) + ","
        + AudioFormat(format) + ",atrim=end_sample=" + std::to_string(std::max(samples, 1L));
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

// The start of a chain that reads the input's sound. An intermediate file's lead-in
// takes the place of the priming at the start of its main track, so that the sound
// runs on unbroken from one input into the next.
std::string SoundSource(std::size_t file, const InputInfo& input, std::string& graph)
{
    if (input.leadInStream < 0 || input.leadInSamples <= 0)
        return StreamPad(file, input.audioStream);
    const std::string index = std::to_string(file);
    graph += StreamPad(file, input.audioStream) + "atrim=start_sample=" + std::to_string(input.leadInSamples)
        + ",asetpts=PTS-STARTPTS[main" + index + "];\n";
    graph += StreamPad(file, input.leadInStream) + "aformat=channel_layouts=" + ChannelLayout(input.channels)
        + "[lead" + index + "];\n";
    return "[lead" + index + "][main" + index + "]concat=n=2:v=0:a=1,";
}

std::vector<std::string> VideoCodecArguments(const Request& request, const Encoding& encoding, unsigned cores)
{
    std::vector<std::string> args = {"-c:v", encoding.videoEncoder};
    // AVI stores frames in decoding order without times: B-frames would show late.
    if (encoding.videoEncoder == "libx264" && encoding.container == Container::Avi)
        args.insert(args.end(), {"-bf", "0"});
    if (request.videoBitrate > 0)
        args.insert(args.end(), {"-b:v", std::to_string(request.videoBitrate)});
    else if (encoding.mpegVideoFamily)
        args.insert(args.end(), {"-q:v", "2"});
    else
        args.insert(args.end(), {"-crf", "18"});
    // Intermediate files (no codec named) are encoded a second time by the join and kept
    // near lossless; one encoder thread leaves the other core to the decoder, which costs
    // more here (measured in bench/encoder). Otherwise the encoder picks its own count
    // (x264 more threads than cores), up to the 16 beyond which ffmpeg's encoders gain nothing.
    if (request.videoCodec.empty() && request.videoBitrate <= 0)
        args.insert(args.end(), {"-threads", "1"});
    else if (cores > 16)
        args.insert(args.end(), {"-threads", "16"});
    if (encoding.mpegVideoFamily && request.mbd)
        args.insert(args.end(), {"-mbd", std::to_string(*request.mbd)});
    // VP9's default speed takes several times as long for a picture hardly better; rows
    // in parallel use the second core.
    if (encoding.videoEncoder == "libvpx-vp9")
        args.insert(args.end(), {"-deadline", "good", "-cpu-used", "4", "-row-mt", "1"});
    if (!encoding.videoTag.empty())
        args.insert(args.end(), {"-tag:v", encoding.videoTag});
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
    // The jumps that ffmpeg closes up are the ones the probe followed.
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "warning", "-y",
                                     "-dts_delta_threshold", std::to_string(kTimestampJumpSeconds)};
    if (progress)
        args.insert(args.end(), {"-progress", "pipe:1", "-stats_period", "0.1"});
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
    const int width = request.scaleWidth > 0 ? request.scaleWidth : first.quarterTurn ? first.height : first.width;
    const int height = request.scaleHeight > 0 ? request.scaleHeight : first.quarterTurn ? first.width : first.height;
    format.width = Even(width);
    format.height = Even(height);
    if (format.width != width || format.height != height)
        format.changes.push_back("Picture size " + std::to_string(width) + "x" + std::to_string(height)
                                 + " changed to " + std::to_string(format.width) + "x"
                                 + std::to_string(format.height) + ": the video codecs need even sizes");
    const double wantedRate = request.frameRate.empty() ? first.frameRate : ParseFrameRate(request.frameRate);
    format.frameRate = AllowedFrameRate(encoding, wantedRate);
    if (std::fabs(format.frameRate - wantedRate) > 1e-3)
        format.changes.push_back("Frame rate " + Fixed(wantedRate, 3) + " changed to " + Fixed(format.frameRate, 3)
                                 + ": the nearest that " + encoding.videoEncoder + " holds");
    // An intermediate file (no codec named) fills its frame and says the picture's shape
    // in its aspect, for the join to keep. autoaspect keeps the shape of the frame: of the
    // size asked for (square pixels), else of the first input's picture. Every input keeps
    // its own shape inside the frame.
    const bool sizeAsked = request.scaleWidth > 0;
    if (request.aspect)
        format.displayAspect = *request.aspect;
    else if ((request.autoAspect && !sizeAsked) || request.videoCodec.empty())
        format.displayAspect = DisplayAspect(first);
    if (encoding.container == Container::Flv && encoding.videoEncoder == "flv" && format.displayAspect > 0) {
        if (std::fabs(format.displayAspect - static_cast<double>(format.width) / format.height) > 0.01)
            format.changes.push_back("Display aspect " + Fixed(format.displayAspect, 3)
                                     + " dropped: FLV video has square pixels only");
        format.displayAspect = 0;
    }
    // A piece for a VOB join is shaped as the join will be, so that its picture joins by copying.
    const bool forDvd = encoding.container == Container::Vob
        || (request.piece && !request.pieceFor.empty() && ContainerForPath("." + request.pieceFor) == Container::Vob);
    if (forDvd)
        ApplyDvdStandard(format, request, encoding.videoEncoder == "mpeg1video", first, wantedRate);
    format.colour = ChooseOutputColour(encoding, format.width, format.height, inputs);
    if (const std::string note = MixedDynamicsNote(encoding, inputs); !note.empty())
        format.changes.push_back(note);

    const InputInfo* firstAudio = nullptr;
    for (const InputInfo& input : inputs)
        if (!firstAudio && input.audioStream >= 0)
            firstAudio = &input;
    const int wantedSampleRate = request.sampleRate > 0 ? request.sampleRate
        : firstAudio                                    ? firstAudio->sampleRate
                                                        : 44100;
    format.sampleRate = NearestSampleRate(encoding, wantedSampleRate);
    if (format.sampleRate != wantedSampleRate)
        format.changes.push_back("Sample rate " + std::to_string(wantedSampleRate) + " Hz changed to "
                                 + std::to_string(format.sampleRate) + " Hz: the nearest that "
                                 + encoding.audioEncoder + " in " + encoding.muxer + " holds");
    const int wantedChannels = request.channels > 0 ? request.channels : firstAudio ? firstAudio->channels : 2;
    format.channels = std::min(wantedChannels, encoding.maxChannels);
    if (format.channels != wantedChannels)
        format.changes.push_back("Sound channels " + std::to_string(wantedChannels) + " changed to "
                                 + std::to_string(format.channels) + ": the most that " + encoding.audioEncoder
                                 + " carries");
    return format;
}

std::string ChannelMix(int channels)
{
    // ffmpeg scales a mix only into integer samples; in floating point the sum of loud
    // channels would pass full scale and clip in the encoder.
    return "ochl=" + ChannelLayout(channels) + ":rematrix_maxval=1";
}

long FramesAt(const InputInfo& input, double frameRate)
{
    return input.duration > 0 ? std::lround(input.duration * frameRate) : 0;
}

int DecoderThreads(std::size_t inputs, unsigned cores)
{
    // Beyond 16 threads ffmpeg's decoders gain nothing; 32 in all keeps a long join's
    // idle decoders from holding memory and threads by the thousand.
    constexpr std::size_t kMost = 16;
    constexpr std::size_t kAll = 32;
    const std::size_t usable = std::clamp<std::size_t>(cores, 1, kMost);
    return static_cast<int>(std::clamp<std::size_t>(kAll / std::max<std::size_t>(inputs, 1), 1, usable));
}

int PrimingSamples(const std::string& audioEncoder, int sampleRate)
{
    if (audioEncoder == "libmp3lame")
        return 1105; // LAME's 576 and the decoder's 529
    if (audioEncoder == "aac")
        return 1024;
    if (audioEncoder == "mp2")
        return 481;
    if (audioEncoder == "ac3")
        return 256;
    if (audioEncoder == "wmav1" || audioEncoder == "wmav2") {
        // One WMA frame, whose length follows the rate.
        if (sampleRate <= 16000)
            return 512;
        if (sampleRate <= 22050 || (sampleRate <= 32000 && audioEncoder == "wmav1"))
            return 1024;
        return 2048;
    }
    return 0;
}

std::string LeadInTitle(long samples, const std::string& mark)
{
    return kLeadInTitle + std::to_string(samples) + " " + mark;
}

FfmpegPlan BuildFfmpegPlan(const Request& request, const Encoding& encoding, const OutputFormat& format,
                           const std::vector<InputInfo>& inputs, const std::string& target,
                           const std::string& graphPath, unsigned cores, const JoinPart& part)
{
    FfmpegPlan plan;
    plan.changes = format.changes;
    const OutputSoundTracks soundPlan = PlanSoundTracks(request, encoding.container, inputs);
    const std::size_t soundTracks = std::max<std::size_t>(soundPlan.tracks.size(), 1);
    plan.soundTracks = soundTracks;
    plan.args = Head(true);
    const std::string threads = std::to_string(DecoderThreads(inputs.size(), cores));
    // Each input's sound ends where its picture does; the samples are counted from the
    // join's start, so that rounding never adds up over many inputs.
    long framesBefore = part.framesBefore;
    const auto samplesAt = [&](long frames) {
        return std::lround(static_cast<double>(frames) * format.sampleRate / format.frameRate);
    };
    std::string pads;
    std::vector<double> lengths; // in the output, for its chapters
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputInfo& input = inputs[i];
        plan.args.insert(plan.args.end(), {"-threads", threads, "-i", FileUrl(input.path)});
        const long frames = FramesAt(input, format.frameRate);
        const long samples = frames > 0 ? samplesAt(framesBefore + frames) - samplesAt(framesBefore) : 0;
        framesBefore += frames;
        lengths.push_back(frames / format.frameRate);
        const std::string index = std::to_string(i);
        plan.graph += StreamPad(i, input.videoStream) + VideoChain(format, input) + "[v" + index + "];\n";
        const double gain = part.gains.empty() ? 0 : part.gains[i];
        plan.graph += (input.audioStream >= 0 ? SoundSource(i, input, plan.graph) + AudioChain(format, input, samples, gain)
                                              : SilenceSource(format, samples))
            + "[a" + index + "];\n";
        pads += "[v" + index + "][a" + index + "]";
        // The further tracks end where the first does, from the same sample count.
        for (std::size_t track = 1; track < soundTracks; ++track) {
            const int stream = soundPlan.streams[track][i];
            const std::string label = "[a" + index + "t" + std::to_string(track) + "]";
            plan.graph += (stream >= 0 ? StreamPad(i, stream) + AudioChain(format, input, samples, gain)
                                       : SilenceSource(format, samples))
                + label + ";\n";
            pads += label;
        }
    }
    const KeptStreams kept = PlanKeptStreams(request, encoding.container, inputs, lengths);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        plan.leftOut.push_back(kept.leftOut[i]);
        if (!soundPlan.leftOut[i].empty())
            plan.leftOut.back().insert(plan.leftOut.back().begin(), soundPlan.leftOut[i]);
    }
    std::string furtherTracks; // the concat's outputs after the first track
    for (std::size_t track = 1; track < soundTracks; ++track)
        furtherTracks += "[t" + std::to_string(track) + "]";
    plan.graph += pads + "concat=n=" + std::to_string(inputs.size()) + ":v=1:a=" + std::to_string(soundTracks) + "[v]";
    const int priming = encoding.container == Container::Avi
        ? PrimingSamples(encoding.audioEncoder, format.sampleRate) : 0;
    // An intermediate file (no codec named) is read again only by the join, which puts
    // the sound that the priming cost back from a lead-in track.
    const bool leadIn = priming > 0 && request.videoCodec.empty() && !part.mark.empty();
    std::string sound; // what the joined sound goes through last
    if (priming > 0) {
        sound = "atrim=start_sample=" + std::to_string(priming) + ",asetpts=PTS-STARTPTS";
    } else if (const int frame = PrimingSamples(encoding.audioEncoder, format.sampleRate);
               frame > 0 && encoding.container == Container::Asf && encoding.audioEncoder.starts_with("wma")) {
        // A WMA decoder gives nothing for its first frame: a frame of silence is put
        // before the start, where ASF's timestamps can place it, for the decoder to drop.
        sound = "adelay=delays=" + std::to_string(frame) + "S:all=1,asetpts=PTS-" + std::to_string(frame) + "/(SR*TB)";
    }
    if (encoding.audioEncoder == "mp2") {
        // The MP2 encoder does not flush: the samples its decoder's delay holds back at
        // the end come out only if silence follows them.
        sound += (sound.empty() ? "" : ",") + std::string("apad=pad_len=")
            + std::to_string(PrimingSamples(encoding.audioEncoder, format.sampleRate));
    }
    if (!part.gains.empty())
        sound = PeakLimiter(format.sampleRate) + (sound.empty() ? "" : "," + sound);
    // What follows the joined sound; a measure takes a branch of its own.
    std::string next = "[joined]" + furtherTracks + ";\n[joined]";
    if (!part.loudnessPath.empty())
        next += "asplit=2[kept][measured];\n[measured]" + MeasureChain(part.loudnessPath) + ";\n[kept]";
    if (leadIn)
        plan.graph += next + "asplit=2[whole][lead];\n[whole]" + sound + "[a];\n[lead]atrim=end_sample="
            + std::to_string(priming) + "[leadin]\n";
    else if (!sound.empty() || !part.loudnessPath.empty())
        plan.graph += next + (sound.empty() ? "anull" : sound) + "[a]\n";
    else
        plan.graph += "[a]" + furtherTracks + "\n";
    if (!part.chaptersPath.empty()) {
        plan.chapters = ChapterMetadata(request.chapterTitles, lengths);
        const auto input = ChapterInput(part.chaptersPath);
        plan.args.insert(plan.args.end(), input.begin(), input.end());
    }
    const std::size_t subtitleInput = inputs.size() + (part.chaptersPath.empty() ? 0 : 1);
    if (!part.subtitlesPath.empty() && !kept.subtitleEntries.empty()) {
        plan.subtitleEntries = kept.subtitleEntries;
        // Each input's cues are counted from its picture's start (the list's inpoint); ffmpeg
        // would count the list from its first input's earliest packet, which the inpoint moved.
        if (inputs.front().start > 0)
            plan.args.insert(plan.args.end(), {"-itsoffset", Seconds(-inputs.front().start)});
        const auto input = ConcatInput(part.subtitlesPath);
        plan.args.insert(plan.args.end(), input.begin(), input.end());
    }
    // Output options, after every input.
    if (!part.chaptersPath.empty()) {
        const auto map = ChapterMap(inputs.size());
        plan.args.insert(plan.args.end(), map.begin(), map.end());
    }
    plan.args.insert(plan.args.end(), {"-filter_complex_script", graphPath, "-map", "[v]", "-map", "[a]"});
    for (std::size_t track = 1; track < soundTracks; ++track)
        plan.args.insert(plan.args.end(), {"-map", "[t" + std::to_string(track) + "]"});
    if (leadIn)
        plan.args.insert(plan.args.end(), {"-map", "[leadin]"});
    plan.attachments = static_cast<int>(kept.attachments.size()) + (kept.cover.second >= 0 ? 1 : 0);
    KeptStreams mapped = kept;
    if (plan.subtitleEntries.empty())
        mapped.subtitleEntries.clear();
    const auto video = VideoCodecArguments(request, encoding, cores);
    plan.args.insert(plan.args.end(), video.begin(), video.end());
    const auto colour = ColourArguments(format.colour, encoding);
    plan.args.insert(plan.args.end(), colour.begin(), colour.end());
    const auto audio = AudioCodecArguments(request, encoding, format);
    plan.args.insert(plan.args.end(), audio.begin(), audio.end());
    // After the codecs, whose choice for all pictures a copied cover picture overrides.
    const auto keptArgs = KeptStreamArguments(mapped, subtitleInput, [](std::size_t input) { return input; });
    plan.args.insert(plan.args.end(), keptArgs.begin(), keptArgs.end());
    const auto facts = RecordingFactsArguments(0, encoding.container, kept.cover.second >= 0);
    plan.args.insert(plan.args.end(), facts.begin(), facts.end());
    if (HoldsSeveralSoundTracks(encoding.container)) {
        const auto named = SoundTrackArguments(soundPlan.tracks);
        plan.args.insert(plan.args.end(), named.begin(), named.end());
    }
    if (leadIn)
        plan.args.insert(plan.args.end(), {"-c:a:1", "pcm_s16le", "-metadata:s:a:1",
                                           "title=" + LeadInTitle(priming, part.mark)});
    if (encoding.container == Container::Avi) {
        // AVI keeps no timestamps: a shift that makes the sound's priming start at zero
        // would turn into a picture one frame late, so nothing is shifted and the priming
        // is taken off above instead.
        plan.args.insert(plan.args.end(), {"-avoid_negative_ts", "disabled"});
    }
    plan.args.insert(plan.args.end(), {"-r", FrameRateText(format.frameRate), "-f", encoding.muxer, target});
    return plan;
}

std::vector<std::string> SoundCodecArguments(const Request& request, const Encoding& encoding,
                                             const OutputFormat& format)
{
    return AudioCodecArguments(request, encoding, format);
}
