#include "PieceJoin.h"

#include "Chapters.h"
#include "Console.h"
#include "JobError.h"
#include "JobPromises.h"
#include "Loudness.h"
#include "MatroskaTracks.h"
#include "PieceRecord.h"
#include "PieceSources.h"
#include "PrivateFolder.h"
#include "RecordingFacts.h"
#include "Progress.h"
#include "SourceFacts.h"
#include "StopSignals.h"
#include "StreamJoin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kOtherColours = "its colours";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What of the streams that a copy carries over from the first piece another piece lacks,
// in words: "its frame size", for example; empty when they agree. Pictures of other
// colours come first: the join that follows says what it makes of them.
std::string StreamDifference(const StreamFacts& first, const StreamFacts& other)
{
    const MediaStream& a = first.Video();
    const MediaStream& b = other.Video();
    const std::pair<const char*, bool> video[] = {
        {kOtherColours, a.colourTransfer == b.colourTransfer},
        {"its picture's codec", a.codec == b.codec},
        {"its frame size", a.width == b.width && a.height == b.height},
        {"its pixels' shape", a.pixelAspect == b.pixelAspect},
        {"its pixel format", a.pixelFormat == b.pixelFormat},
        {"its frame rate", a.frameRate == b.frameRate},
        {"its picture's codec headers", a.headers == b.headers}};
    for (const auto& [words, same] : video)
        if (!same)
            return words;
    const MediaStream& c = first.Audio();
    const MediaStream& d = other.Audio();
    const std::pair<const char*, bool> audio[] = {{"its sound's codec", c.codec == d.codec},
                                                  {"its sample rate", c.sampleRate == d.sampleRate},
                                                  {"its sound channels", c.channels == d.channels}};
    for (const auto& [words, same] : audio)
        if (!same)
            return words;
    return {};
}

// The first piece as the usual join would see it, for the output's format.
InputInfo AsInput(const StreamFacts& piece)
{
    InputInfo info;
    info.path = piece.file.path;
    info.videoStream = piece.video;
    info.audioStream = piece.audio;
    info.width = piece.Video().width;
    info.height = piece.Video().height;
    if (piece.Video().pixelAspect.Valid())
        info.sampleAspect = piece.Video().pixelAspect.Value();
    info.frameRate = piece.Video().frameRate.Value();
    info.sampleRate = piece.Audio().sampleRate;
    info.channels = piece.Audio().channels;
    info.duration = piece.duration;
    return info;
}

// How the copied pictures are stored in the output.
std::vector<std::string> PictureArguments(const Encoding& encoding, const StreamFacts& first, double frameRate)
{
    std::vector<std::string> args = {"-map", "0:v:0", "-c:v", "copy"};
    if (!encoding.videoTag.empty())
        args.insert(args.end(), {"-tag:v", encoding.videoTag});
    const auto filters = HeaderFilters(encoding.container, first);
    args.insert(args.end(), filters.begin(), filters.end());
    // The pieces' times are whole milliseconds; a time base of one frame puts every
    // frame back in its own place.
    const std::string rate = FrameRateText(frameRate);
    const std::size_t slash = rate.find('/');
    const bool whole = slash == std::string::npos && rate.find('.') == std::string::npos;
    if (encoding.container == Container::Avi)
        args.insert(args.end(), {"-time_base", slash == std::string::npos ? "1/" + rate
                                                    : rate.substr(slash + 1) + "/" + rate.substr(0, slash),
                                 "-avoid_negative_ts", "disabled"});
    else if ((encoding.container == Container::Mp4 || encoding.container == Container::Mov) && whole)
        args.insert(args.end(), {"-video_track_timescale", rate});
    return args;
}

// The joined sound, counted in samples from the start, with the start the output
// container needs (as FfmpegPlan gives it for the usual join).
std::string SoundChain(const Encoding& encoding, const OutputFormat& format)
{
    std::string chain = "aresample=" + std::to_string(format.sampleRate) + ":" + ChannelMix(format.channels)
        + ",asetpts=N/SR/TB";
    const int priming = PrimingSamples(encoding.audioEncoder, format.sampleRate);
    if (priming > 0 && encoding.container == Container::Avi)
        chain += ",atrim=start_sample=" + std::to_string(priming) + ",asetpts=PTS-STARTPTS";
    else if (priming > 0 && encoding.container == Container::Asf && encoding.audioEncoder.starts_with("wma"))
        chain += ",adelay=delays=" + std::to_string(priming) + "S:all=1,asetpts=PTS-" + std::to_string(priming)
            + "/(SR*TB)";
    // The MP2 encoder does not flush: what its decoder's delay holds back comes out only
    // if silence follows.
    if (encoding.audioEncoder == "mp2")
        chain += ",apad=pad_len=" + std::to_string(priming);
    return chain;
}

// The sound of each piece brought up or down by its gain, from the sample where it starts
// in the join, then the peaks held.
std::string EvenedSound(const std::vector<StreamFacts>& pieces, const std::vector<double>& gains, int sampleRate)
{
    std::string points;
    std::string parts;
    std::string evened;
    double seconds = 0;
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        const std::string name = std::to_string(index);
        if (index > 0)
            points.append(index > 1 ? "|" : "").append(std::to_string(std::lround(seconds * sampleRate)));
        seconds += pieces[index].duration;
        parts.append("[part").append(name).append("]");
        evened.append("[part").append(name).append("]").append(GainFilter(gains[index]));
        evened.append("[evened").append(name).append("];");
    }
    if (pieces.size() == 1)
        return GainFilter(gains.front()) + "," + PeakLimiter(sampleRate) + ",";
    std::string joined;
    for (std::size_t index = 0; index < pieces.size(); ++index)
        joined.append("[evened").append(std::to_string(index)).append("]");
    return "asegment=samples=" + points + parts + ";" + evened + joined + "concat=n=" + std::to_string(pieces.size())
        + ":v=0:a=1," + PeakLimiter(sampleRate) + ",";
}

std::string LengthsText(const std::vector<double>& lengths)
{
    std::string text;
    for (const double seconds : lengths) {
        char length[32];
        std::snprintf(length, sizeof length, "%.6f", seconds);
        text += (text.empty() ? "" : ",") + std::string(length);
    }
    return text;
}

// What each input lasts in the join: a piece's members as its tag says, where it says it
// of more than one, else the piece's own length.
std::vector<double> InputLengths(const std::vector<StreamFacts>& pieces)
{
    std::vector<double> lengths;
    for (const StreamFacts& piece : pieces) {
        const std::string tag = piece.media.Tag(kPieceLengthsTag);
        std::vector<double> members;
        for (std::size_t start = 0; !tag.empty() && start <= tag.size();) {
            const std::size_t comma = std::min(tag.find(',', start), tag.size());
            members.push_back(std::atof(tag.substr(start, comma - start).c_str()));
            start = comma + 1;
        }
        if (members.size() < 2 || std::any_of(members.begin(), members.end(), [](double s) { return s <= 0; }))
            members = {piece.duration};
        lengths.insert(lengths.end(), members.begin(), members.end());
    }
    return lengths;
}

} // namespace

std::vector<double> MemberLengths(const std::vector<InputInfo>& inputs, const OutputFormat& format)
{
    std::vector<double> lengths;
    for (const InputInfo& input : inputs.size() > 1 ? inputs : std::vector<InputInfo>())
        lengths.push_back(FramesAt(input, format.frameRate) / format.frameRate);
    return lengths;
}

std::string PieceMark(const Request& request, const Encoding& encoding, const std::string& jobMark)
{
    char aspect[32] = "none";
    if (request.aspect)
        std::snprintf(aspect, sizeof aspect, "%.4f", *request.aspect);
    else if (request.autoAspect)
        std::snprintf(aspect, sizeof aspect, "auto");
    return jobMark + " " + encoding.videoEncoder + " " + std::to_string(request.videoBitrate) + " mbd"
        + (request.mbd ? std::to_string(*request.mbd) : "-") + " " + aspect + " " + std::to_string(request.scaleWidth)
        + "x" + std::to_string(request.scaleHeight) + " " + std::to_string(request.sampleRate) + "Hz "
        + std::to_string(request.channels) + "ch";
}

void MakePiecePlan(FfmpegPlan& plan, const Request& request, const Encoding& encoding, const std::string& jobMark,
                   const std::vector<double>& memberLengths)
{
    std::vector<std::string> extra = {"-metadata",
                                      std::string(kPieceTag) + "=" + PieceMark(request, encoding, jobMark)};
    if (!memberLengths.empty())
        extra.insert(extra.end(), {"-metadata", std::string(kPieceLengthsTag) + "=" + LengthsText(memberLengths)});
    // AVI keeps frames in decoding order without times, so the pieces of any join have
    // no B-frames (and keep their times simple).
    if (encoding.videoEncoder == "libx264" || encoding.videoEncoder == "libx265")
        extra.insert(extra.end(), {"-bf", "0"});
    // The plan ends with the muxer and the target.
    plan.args.insert(plan.args.end() - 3, extra.begin(), extra.end());
}

void RecordPiece(const std::string& path, const Request& request, const Encoding& encoding,
                 const OutputFormat& format, double seconds, const std::string& jobMark,
                 const std::vector<double>& memberLengths, const std::map<std::string, std::string>& source,
                 std::size_t soundTracks)
{
    const auto codecPrivate = MatroskaVideoCodecPrivate(path);
    if (!codecPrivate || seconds <= 0)
        return;
    const double pixelAspect = format.displayAspect > 0 ? format.displayAspect * format.height / format.width : 1.0;
    MediaFacts piece;
    piece.formatName = "matroska,webm";
    piece.duration = seconds;
    piece.tags[kPieceTag] = PieceMark(request, encoding, jobMark);
    if (!memberLengths.empty())
        piece.tags[kPieceLengthsTag] = LengthsText(memberLengths);
    piece.tags.insert(source.begin(), source.end());
    MediaStream video;
    video.kind = StreamKind::Video;
    // libavcodec's name, where the join's header filters look for it.
    video.codec = CodecNameForMessage(encoding.videoEncoder);
    video.width = format.width;
    video.height = format.height;
    video.pixelAspect = {std::llround(pixelAspect * 1000000), 1000000};
    video.pixelFormat = format.colour.pixelFormat;
    video.colourTransfer = format.colour.transfer;
    video.frameRate = {std::llround(format.frameRate * 1001000), 1001000};
    video.headers.assign(codecPrivate->begin(), codecPrivate->end());
    MediaStream audio;
    audio.kind = StreamKind::Audio;
    audio.codec = encoding.audioEncoder;
    audio.sampleRate = format.sampleRate;
    audio.channels = format.channels;
    piece.streams = {video};
    piece.streams.insert(piece.streams.end(), std::max<std::size_t>(soundTracks, 1), audio);
    piece.video = 0;
    piece.audio = 1;
    WritePieceRecord(path, piece);
}

std::optional<int> JoinPieces(const Request& request, const Encoding& encoding, const std::string& jobMark,
                              const std::vector<double>& chapterLengths)
{
    if (request.piece)
        return std::nullopt;
    for (const std::string& input : request.inputs)
        if (!Lower(input).ends_with(".mkv"))
            return std::nullopt;
    const std::string mark = PieceMark(request, encoding, jobMark);
    std::vector<StreamFacts> pieces = RecordedPieces(request.inputs);
    try {
        if (pieces.empty())
            pieces = ProbeStreams(request.inputs, [] { WriteOut(FormatPosLine(0, 0, 0)); });
    } catch (const JobError&) {
        // The usual join names what is wrong with the file.
        return std::nullopt;
    }
    if (StopSignal() != 0)
        return StoppedJoin(request);
    const auto isPiece = [&](const StreamFacts& piece) {
        return piece.media.Tag(kPieceTag) == mark;
    };
    // Inputs of which none is this job's piece are no pieces at all, and nothing falls back.
    if (std::none_of(pieces.begin(), pieces.end(), isPiece))
        return std::nullopt;
    const auto fallBack = [](const std::string& why) {
        WriteErr(why + ": the pieces are encoded again\n");
        return std::nullopt;
    };
    std::vector<std::string> names;
    for (std::size_t index = 0; index < pieces.size(); ++index)
        names.push_back(InputName(pieces[index].file.path, index + 1, pieces[index].media.tags));
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        if (!isPiece(pieces[index]))
            return fallBack(names[index] + " is no piece of this job with these options");
        if (pieces[index].audio < 0)
            return fallBack(names[index] + " has no sound track");
    }
    const auto soundTracks = [](const StreamFacts& piece) {
        return std::count_if(piece.media.streams.begin(), piece.media.streams.end(),
                             [](const MediaStream& stream) { return stream.kind == StreamKind::Audio; });
    };
    for (std::size_t index = 1; index < pieces.size(); ++index) {
        // A piece without a track that another holds has no silence in it for the join to copy.
        if (soundTracks(pieces[index]) != soundTracks(pieces.front()))
            return fallBack(names[index] + " holds " + std::to_string(soundTracks(pieces[index])) + " sound tracks, "
                            + names.front() + " " + std::to_string(soundTracks(pieces.front())));
        const std::string difference = StreamDifference(pieces.front(), pieces[index]);
        if (difference == kOtherColours)
            return std::nullopt;
        if (!difference.empty())
            return fallBack(names[index] + " was converted unlike " + names.front() + " (" + difference + ")");
    }
    const OutputFormat format = ChooseOutputFormat(request, encoding, {AsInput(pieces.front())});
    const InputInfo first = AsInput(pieces.front());
    if (format.width != first.width || format.height != first.height
        || std::fabs(format.frameRate - first.frameRate) > 1e-3)
        return fallBack("The pieces' pictures (" + std::to_string(first.width) + "x" + std::to_string(first.height)
                        + " at " + FrameRateText(first.frameRate) + " fps) are not the output's ("
                        + std::to_string(format.width) + "x" + std::to_string(format.height) + " at "
                        + FrameRateText(format.frameRate) + " fps)");
    for (const std::string& change : format.changes)
        WriteErr(change + "\n");

    std::vector<ConcatEntry> entries;
    for (const StreamFacts& piece : pieces)
        entries.push_back({piece.file.path});
    const std::vector<double> gains =
        request.evenLoudness ? LoudnessGains(request.inputs, names, jobMark) : std::vector<double>();
    const std::string evened = gains.empty() ? std::string() : EvenedSound(pieces, gains, format.sampleRate);
    PrivateFolder links;
    std::vector<std::string> texts = {ConcatList(entries, links)};
    const PieceSources sources = PlanPieceSources(request, encoding.container, pieces, InputLengths(pieces));
    const KeptStreams& kept = sources.kept;
    for (std::size_t input = 0; input < kept.leftOut.size(); ++input)
        for (const std::string& note : kept.leftOut[input])
            SayNote(input, note);
    const bool subtitles = !kept.subtitleEntries.empty();
    if (subtitles)
        texts.push_back(ConcatList(kept.subtitleEntries, links));
    const bool chapters = WritesChapters(request, encoding);
    if (chapters) {
        // The concat demuxer starts each piece where the one before it ends.
        texts.push_back(
            ChapterMetadata(request.chapterTitles, chapterLengths.empty() ? InputLengths(pieces) : chapterLengths));
    }
    return RunJoin(request, pieces, texts, [&](const auto& lists, const std::string& target) {
        std::vector<std::string> args = JoinHead();
        const auto input = ConcatInput(lists.front());
        args.insert(args.end(), input.begin(), input.end());
        if (subtitles) {
            const auto subtitleInput = ConcatInput(lists[1]);
            args.insert(args.end(), subtitleInput.begin(), subtitleInput.end());
        }
        if (chapters) {
            const auto chapterInput = ChapterInput(lists.back());
            args.insert(args.end(), chapterInput.begin(), chapterInput.end());
        }
        // The first piece keeps its input's facts; then each file that gives an attachment.
        const std::size_t firstPiece = (subtitles ? 2 : 1) + (chapters ? 1 : 0);
        args.insert(args.end(), {"-i", FileUrl(pieces.front().file.path)});
        std::vector<std::size_t> files;
        for (const auto& [file, stream] : kept.attachments)
            if (std::find(files.begin(), files.end(), file) == files.end())
                files.push_back(file);
        if (kept.cover.second >= 0 && std::find(files.begin(), files.end(), kept.cover.first) == files.end())
            files.push_back(kept.cover.first);
        for (const std::size_t file : files)
            args.insert(args.end(), {"-i", FileUrl(sources.paths[file])});
        if (chapters) {
            const auto map = ChapterMap(firstPiece - 1);
            args.insert(args.end(), map.begin(), map.end());
        }
        const auto facts = RecordingFactsArguments(firstPiece, encoding.container, kept.cover.second >= 0);
        args.insert(args.end(), facts.begin(), facts.end());
        const auto picture = PictureArguments(encoding, pieces.front(), format.frameRate);
        args.insert(args.end(), picture.begin(), picture.end());
        args.insert(args.end(), {"-map", "0:a", "-filter:a", evened + SoundChain(encoding, format)});
        const auto sound = SoundCodecArguments(request, encoding, format);
        args.insert(args.end(), sound.begin(), sound.end());
        const auto keptArgs = KeptStreamArguments(kept, 1, [&](std::size_t file) {
            return firstPiece + 1 + static_cast<std::size_t>(std::find(files.begin(), files.end(), file) - files.begin());
        });
        args.insert(args.end(), keptArgs.begin(), keptArgs.end());
        // Mapped tags turn off ffmpeg's own copy of the others: the sound's are the first piece's.
        for (long track = 0; !keptArgs.empty() && track < soundTracks(pieces.front()); ++track)
            args.insert(args.end(), {"-map_metadata:s:a:" + std::to_string(track),
                                     std::to_string(firstPiece) + ":s:a:" + std::to_string(track)});
        args.insert(args.end(), {"-f", encoding.muxer, target});
        return args;
    }, {static_cast<int>(soundTracks(pieces.front())), subtitles,
        static_cast<int>(kept.attachments.size()) + (kept.cover.second >= 0 ? 1 : 0)});
}
