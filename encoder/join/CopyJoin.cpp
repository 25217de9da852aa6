#include "CopyJoin.h"

#include "AviSoundCuts.h"
#include "Chapters.h"
#include "Console.h"
#include "CopyCheck.h"
#include "DifferingPieces.h"
#include "EachInputRuns.h"
#include "KeptStreams.h"
#include "PrivateFolder.h"
#include "RecordingFacts.h"
#include "SoundTracks.h"
#include "SoundEnds.h"
#include "SoundOnce.h"
#include "Progress.h"
#include "StopSignals.h"
#include "StreamJoin.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

// Just before a broken picture's decoding time, so that rounding cannot keep it.
double CutBefore(double decoded)
{
    return decoded - 0.0001;
}

// Copies each input into the private folder with its picture's times counted in steps
// of 1/timeScale and its sound's in samples (QuickTime's own rule), packets unchanged but
// for those from a broken picture on. Gives the copies' names, or nothing when a stop
// signal ended the runs.
std::vector<std::string> Restamped(const std::vector<StreamFacts>& inputs, long long timeScale, bool allSound,
                                   PrivateFolder& folder, const std::function<void()>& onTick)
{
    return RunForEachInput(
        inputs.size(), folder, ".mov",
        [&](std::size_t index, const std::string& copy) {
            const StreamFacts& input = inputs[index];
            std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error"};
            // ffmpeg counts an input's times from its start.
            if (input.cutAt)
                args.insert(args.end(), {"-to", SecondsText(CutBefore(*input.cutAt) - input.start)});
            args.insert(args.end(), {"-i", FileUrl(input.file.path), "-map", "0:" + std::to_string(input.video)});
            if (input.audio >= 0)
                args.insert(args.end(), {"-map", allSound ? "0:a" : "0:" + std::to_string(input.audio)});
            args.insert(args.end(), {"-c", "copy", "-video_track_timescale", std::to_string(timeScale), "-f", "mov",
                                     FileUrl(copy)});
            return args;
        },
        [&](std::size_t index) {
            return "The times of " + inputs[index].file.path + " could not be counted anew for the join: ";
        },
        onTick);
}

// The encoder that makes the sound again in the codec it had: ffmpeg names its own
// encoders of the codecs AVI holds as the codecs, but for MP3.
std::string SoundEncoder(const std::string& codec)
{
    return codec == "mp3" ? "libmp3lame" : codec;
}

long SoundTracksOf(const StreamFacts& input)
{
    return std::count_if(input.media.streams.begin(), input.media.streams.end(),
                         [](const MediaStream& stream) { return stream.kind == StreamKind::Audio; });
}

// Says what of each input the join leaves out: its further sound tracks unless they are
// all kept, and what `kept` leaves out.
void SayLeftOut(const std::vector<StreamFacts>& inputs, bool allSound, const std::string& why, const KeptStreams& kept)
{
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        if (const long further = SoundTracksOf(inputs[index]) - 1; further > 0 && !allSound)
            SayNote(index, "Sound tracks left out of " + inputs[index].file.path + ": " + std::to_string(further) + " ("
                               + why + ")");
        for (const std::string& note : kept.leftOut[index])
            SayNote(index, note);
    }
}

// Encodes the differing inputs to match the first and reads the pieces in their places, so
// that the join copies them as it copies the others. False when a stop signal ended it.
bool PutPiecesInPlace(CopyInputs& found, const Encoding& encoding, PrivateFolder& folder)
{
    std::vector<const StreamFacts*> differing;
    double total = 0;
    for (const StreamFacts& input : found.inputs)
        total += input.duration;
    for (const Differing& input : found.differing)
        differing.push_back(&found.inputs[input.index]);
    WriteErr("Encoding " + std::to_string(differing.size()) + " of " + std::to_string(found.inputs.size())
             + " inputs to match " + found.inputs.front().file.path + "; the others are copied as they are\n");
    const std::vector<std::string> pieces = EncodeMatchingPieces(found.inputs.front(), differing, folder, total);
    if (StopSignal() != 0)
        return false;
    std::vector<StreamFacts> read = ProbeStreams(pieces, [] { WriteOut(FormatPosLine(0, 0, 0)); },
                                                 CopyPacketsRead(encoding));
    if (read.size() < pieces.size())
        return false;
    for (std::size_t piece = 0; piece < pieces.size(); ++piece)
        found.inputs[found.differing[piece].index] = std::move(read[piece]);
    return true;
}

// How far the decoded sound's first piece starts after the first input's earliest packet
// (a sound codec's priming, or MPEG's sound that starts before the picture).
double PicturesLead(const StreamFacts& first, double pieceStart)
{
    const double earliest = std::min(first.picture.firstStart, first.sound.firstStart);
    return std::max(0.0, pieceStart - earliest);
}

} // namespace

void CheckCopyJoin(const Request& request, const Encoding& encoding, const std::function<void()>& onTick)
{
    CheckCopyInputs(request, encoding, onTick);
}

int RunCopyJoin(const Request& request, const Encoding& encoding)
{
    const auto waiting = [] { WriteOut(FormatPosLine(0, 0, 0)); };
    CopyInputs found = CheckCopyInputs(request, encoding, waiting);
    if (StopSignal() != 0)
        return StoppedJoin(request);
    for (std::size_t input = 0; input < found.inputs.size(); ++input)
        if (const std::string note = CutShortNote(found.inputs[input]); !note.empty())
            SayNote(input, note);
    PrivateFolder folder;
    if (!found.differing.empty() && !PutPiecesInPlace(found, encoding, folder))
        return StoppedJoin(request);
    std::vector<std::string> paths;
    for (const StreamFacts& input : found.inputs)
        paths.push_back(input.file.path);
    // Copies into MP4 or QuickTime of files of other kinds count their times from their own
    // start, in whole frames: the join reads them as it reads its inputs.
    const bool restampsOthers = found.timeScale > 0
        && (encoding.container == Container::Mp4 || encoding.container == Container::Mov)
        && std::any_of(found.inputs.begin(), found.inputs.end(), [](const StreamFacts& input) {
               return !input.IsQuickTime();
           });
    // Every sound track is copied where each input holds as many and the output type holds
    // them; a copy cannot make the silence for a track that an input lacks.
    const bool sameTracks = std::all_of(found.inputs.begin(), found.inputs.end(), [&](const StreamFacts& input) {
        return SoundTracksOf(input) == SoundTracksOf(found.inputs.front());
    });
    const bool allSound = request.allTracks && HoldsSeveralSoundTracks(encoding.container) && sameTracks
        && !request.soundOnce && SoundTracksOf(found.inputs.front()) > 1;
    std::vector<InputInfo> infos;
    std::vector<double> lengths;
    for (const StreamFacts& input : found.inputs) {
        infos.push_back(InputInfoFromFacts(input.media));
        lengths.push_back(input.picture.end - input.picture.start);
    }
    KeptStreams kept = PlanKeptStreams(request, encoding.container, infos, lengths);
    SayLeftOut(found.inputs, allSound,
               !request.allTracks ? "the first sound track only is asked for"
               : !HoldsSeveralSoundTracks(encoding.container)
                   ? ContainerName(encoding.container) + " output keeps one sound track here"
                   : "the inputs hold different numbers of sound tracks, which a copy cannot fill with silence",
               kept);
    if (found.timeScale > 0) {
        paths = Restamped(found.inputs, found.timeScale, allSound, folder, waiting);
        if (StopSignal() != 0)
            return StoppedJoin(request);
    }
    if (restampsOthers) {
        std::vector<StreamFacts> copies = ProbeStreams(paths, waiting, PacketsRead::All);
        if (copies.size() < paths.size())
            return StoppedJoin(request);
        found.inputs = std::move(copies);
    }
    const std::vector<StreamFacts>& inputs = found.inputs;
    const StreamFacts& first = inputs.front();

    // Each input's sound joined at the end of its picture is read as a second input, as the
    // end of one stream in a concat list ends the file's other streams too.
    const bool avi = encoding.container == Container::Avi;
    const bool pictureSetsLength = JoinsSoundAtPictureEnd(encoding.container) || restampsOthers;
    // Matroska starts the picture after AAC's priming, and so do those copies: each input
    // lasts as long as its picture, whose frames then follow on, and its sound ends where the
    // next input's starts.
    const bool picturesFollowOn =
        encoding.container == Container::Matroska || encoding.container == Container::WebM || restampsOthers;
    std::optional<std::vector<double>> cuts;
    if (avi)
        cuts = AviSoundCuts(inputs);
    const bool soundOnce = request.soundOnce && first.audio >= 0;
    const bool encodeSound = soundOnce || (avi && first.audio >= 0 && !cuts);
    if (encodeSound && !soundOnce)
        WriteErr("The sound of some inputs ends too far from the end of their picture to be cut there: it is"
                 " encoded once for the whole join (the picture is copied), so that it stays in step at every joint\n");
    std::vector<ConcatEntry> pictures;
    std::vector<ConcatEntry> sounds;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const StreamFacts& input = inputs[i];
        pictures.push_back({paths[i]});
        sounds.push_back({paths[i]});
        // A copy made for the join is cut already.
        if (input.cutAt && paths[i] == input.file.path)
            pictures.back().end = sounds.back().end = CutBefore(*input.cutAt);
        const bool pictureLength = pictureSetsLength && input.picture.end > input.start;
        // So does each input whose sound is decoded in pieces that start at its picture; the
        // others last from the file's start to their picture's end.
        const double length = picturesFollowOn || soundOnce ? input.picture.end - input.picture.start
                                                    : input.picture.end - input.start;
        if (pictureLength)
            pictures.back().length = sounds.back().length = length;
        else if (soundOnce)
            // The file's own length, said so that the sound pieces cannot fall out of step with it.
            pictures.back().length = std::max(input.duration, input.picture.end - input.start);
        if (!pictureLength || soundOnce)
            continue;
        if (cuts)
            sounds.back().end = (*cuts)[i];
        else if (!avi)
            sounds.back().end = (picturesFollowOn ? input.start + length : input.picture.end) - input.sound.firstDuration;
    }
    if (soundOnce) {
        std::vector<double> spans;
        for (const ConcatEntry& picture : pictures)
            spans.push_back(picture.length);
        const std::vector<std::string> decoded = DecodedSounds(inputs, spans, pictureSetsLength, folder, waiting);
        if (StopSignal() != 0)
            return StoppedJoin(request);
        sounds.clear();
        for (const std::string& piece : decoded)
            sounds.push_back({piece});
    }
    // The sound cut at its own end is left out packet by packet where it can be, so that
    // each input is read once; else it is read again through a list of its own.
    std::optional<std::string> soundEnds;
    // The packets left out are counted on one track: further tracks are cut by time, in a list of their own.
    if (first.audio >= 0 && pictureSetsLength && !soundOnce && !encodeSound && !allSound) {
        std::vector<double> ends;
        for (std::size_t i = 0; i < inputs.size(); ++i)
            ends.push_back(paths[i] == inputs[i].file.path ? sounds[i].end : -1);
        if (std::none_of(ends.begin(), ends.end(), [](double end) { return end < 0; }))
            soundEnds = SoundEndsFilter(inputs, ends);
    }
    const bool twoLists = first.audio >= 0 && (pictureSetsLength || soundOnce) && !soundEnds;
    std::vector<std::string> lists = {ConcatList(pictures, folder)};
    if (twoLists)
        lists.push_back(ConcatList(sounds, folder));
    // The subtitles are read from the inputs themselves, each as long as its picture in the join.
    const std::size_t subtitleList = lists.size();
    for (std::size_t i = 0; i < kept.subtitleEntries.size(); ++i)
        kept.subtitleEntries[i] = {found.inputs[i].file.path, pictures[i].length > 0 ? pictures[i].length : 0,
                                   pictures[i].end};
    if (!kept.subtitleEntries.empty())
        lists.push_back(ConcatList(kept.subtitleEntries, folder));
    const std::size_t concatLists = lists.size();
    const bool chapters = WritesChapters(request, encoding);
    if (chapters) {
        // The concat demuxer starts each input where the one before it ends.
        std::vector<double> lengths;
        for (std::size_t i = 0; i < inputs.size(); ++i)
            lengths.push_back(pictures[i].length > 0 ? pictures[i].length : inputs[i].duration);
        lists.push_back(ChapterMetadata(request.chapterTitles, lengths));
    }
    return RunJoin(request, inputs, lists, [&](const std::vector<std::string>& listPaths, const std::string& target) {
        std::vector<std::string> args = JoinHead();
        for (std::size_t list = 0; list < concatLists; ++list) {
            // ffmpeg counts the pictures' list from its first packet of any stream, the
            // sound's priming too; the decoded sound starts where its first piece does.
            if (soundOnce && list == 1)
                args.insert(args.end(),
                            {"-itsoffset", SecondsText(PicturesLead(first, SoundPieceStart(first, pictureSetsLength)))});
            const auto input = ConcatInput(listPaths[list]);
            args.insert(args.end(), input.begin(), input.end());
        }
        if (chapters) {
            const auto chapterInput = ChapterInput(listPaths.back());
            args.insert(args.end(), chapterInput.begin(), chapterInput.end());
        }
        // The first input, for its facts, then each other input that gives an attachment.
        const std::size_t firstFile = concatLists + (chapters ? 1 : 0);
        std::vector<std::size_t> files = {0};
        for (const auto& [input, stream] : kept.attachments)
            if (std::find(files.begin(), files.end(), input) == files.end())
                files.push_back(input);
        for (const std::size_t input : files)
            args.insert(args.end(), {"-i", FileUrl(found.inputs[input].file.path)});
        if (chapters) {
            const auto map = ChapterMap(concatLists);
            args.insert(args.end(), map.begin(), map.end());
        }
        const auto facts = RecordingFactsArguments(firstFile, encoding.container, kept.cover.second >= 0);
        args.insert(args.end(), facts.begin(), facts.end());
        args.insert(args.end(), {"-map", "0:v:0"});
        if (first.audio >= 0)
            args.insert(args.end(), {"-map", std::string(twoLists ? "1" : "0") + (allSound ? ":a" : ":a:0")});
        args.insert(args.end(), {"-c", "copy"});
        const auto keptArgs = KeptStreamArguments(kept, subtitleList, [&](std::size_t input) {
            return firstFile + static_cast<std::size_t>(std::find(files.begin(), files.end(), input) - files.begin());
        });
        args.insert(args.end(), keptArgs.begin(), keptArgs.end());
        // Mapped tags turn off ffmpeg's own copy of the others: the sound's language and title
        // are taken from the first input's tracks.
        int track = 0;
        for (const MediaStream& stream : first.media.streams)
            if (stream.kind == StreamKind::Audio && (allSound || stream.index == first.audio) && first.audio >= 0)
                args.insert(args.end(), {"-map_metadata:s:a:" + std::to_string(track++),
                                         std::to_string(firstFile) + ":s:" + std::to_string(stream.index)});
        if (encodeSound) {
            // The sound's times say where each input's sound belongs: gaps become silence.
            args.insert(args.end(), {"-af", "aresample=async=1:min_hard_comp=0.005:first_pts=0", "-c:a",
                                     SoundEncoder(first.Audio().codec)});
            if (first.Audio().bitRate > 0)
                args.insert(args.end(), {"-b:a", std::to_string(first.Audio().bitRate)});
        }
        if (soundEnds && !soundEnds->empty())
            args.insert(args.end(), {"-bsf:a", *soundEnds});
        const auto filters = HeaderFilters(encoding.container, first);
        args.insert(args.end(), filters.begin(), filters.end());
        if (avi)
            args.insert(args.end(), {"-avoid_negative_ts", "disabled"});
        args.insert(args.end(), {"-f", encoding.muxer, target});
        return args;
    }, {first.audio < 0 ? 0 : allSound ? static_cast<int>(SoundTracksOf(first)) : 1, !kept.subtitleEntries.empty(),
        static_cast<int>(kept.attachments.size()) + (kept.cover.second >= 0 ? 1 : 0)});
}
