#include "StreamJoin.h"

#include "ChildRun.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "JobError.h"
#include "MemoryFile.h"
#include "JobPromises.h"
#include "OutputVerify.h"
#include "Progress.h"
#include "QuickTimeBoxes.h"
#include "StopSignals.h"
#include "TempOutput.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <memory>

const MediaStream& StreamFacts::Audio() const
{
    static const MediaStream none;
    return audio >= 0 ? media.streams[audio] : none;
}

namespace {

// The joins read the picture's and the sound's packets near the picture's end only.
StreamFacts FactsFrom(MediaFacts media)
{
    StreamFacts facts;
    facts.file.path = media.path;
    facts.file.size = media.identity.size;
    facts.file.changedNanoseconds = media.identity.changedNanoseconds;
    facts.file.device = media.identity.device;
    facts.file.inode = media.identity.inode;
    facts.video = media.video;
    facts.audio = media.audio;
    if (facts.video < 0)
        throw JobError("Input file has no video stream: " + media.path);
    facts.duration = media.duration;
    facts.start = media.start;
    for (const int index : {facts.video, facts.audio})
        if (const auto broken = index >= 0 ? media.streams[index].brokenFrom : std::nullopt)
            facts.cutAt = std::min(*broken, facts.cutAt.value_or(*broken));
    facts.picture = std::move(media.streams[facts.video].packets);
    if (facts.cutAt)
        facts.picture.EndBefore(*facts.cutAt);
    const double keepFrom = facts.picture.end - PacketTimes::kKeptSeconds;
    facts.picture.KeepFrom(keepFrom);
    if (facts.audio >= 0) {
        facts.sound = std::move(media.streams[facts.audio].packets);
        if (facts.cutAt)
            facts.sound.EndBefore(*facts.cutAt);
        facts.sound.KeepFrom(keepFrom);
    }
    facts.media = std::move(media);
    return facts;
}

} // namespace

std::vector<StreamFacts> ProbeStreams(const std::vector<std::string>& paths, const std::function<void()>& onTick,
                                      PacketsRead packets)
{
    std::vector<StreamFacts> all;
    for (const std::string& path : paths) {
        MediaRead read;
        read.onTick = onTick;
        read.packets = packets == PacketsRead::First || (packets == PacketsRead::AllButIndexed && LooksLikeQuickTime(path))
            ? MediaRead::Packets::First
            : MediaRead::Packets::All;
        read.brokenEnds = true;
        MediaFacts media = ReadMedia(path, read);
        // A file that only began like an MP4 is read again, every packet.
        if (!media.stopped && packets == PacketsRead::AllButIndexed && read.packets == MediaRead::Packets::First
            && !media.IsQuickTime()) {
            read.packets = MediaRead::Packets::All;
            media = ReadMedia(path, read);
        }
        if (media.stopped)
            return all;
        const bool whole = read.packets == MediaRead::Packets::All;
        all.push_back(FactsFrom(std::move(media)));
        all.back().packetsWhole = whole;
    }
    return all;
}

namespace {

// A name the concat list can hold: a line ends an entry, and a list is read as lines.
bool Listable(const std::string& name)
{
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// The file's extension when it is plain letters and digits, so that a link keeps it.
std::string PlainExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos || path.size() - dot > 8)
        return {};
    const std::string extension = path.substr(dot);
    const bool plain = std::all_of(extension.begin() + 1, extension.end(),
                                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
    return plain ? extension : std::string();
}

} // namespace

std::string ConcatList(const std::vector<ConcatEntry>& entries, PrivateFolder& links)
{
    std::string list = "ffconcat version 1.0\n";
    for (const ConcatEntry& entry : entries) {
        char resolved[PATH_MAX];
        std::string name = realpath(entry.path.c_str(), resolved) ? std::string(resolved) : entry.path;
        if (!Listable(name))
            name = links.LinkTo(name, PlainExtension(name));
        // Quoted; a quote inside ends the quotes, is given escaped, and opens them again.
        std::string quoted;
        for (const char c : FileUrl(name))
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        list += "file '" + quoted + "'\n";
        char seconds[64];
        if (entry.length > 0) {
            std::snprintf(seconds, sizeof seconds, "%.6f", entry.length);
            list += std::string("duration ") + seconds + "\n";
        }
        if (entry.inpoint) {
            std::snprintf(seconds, sizeof seconds, "%.6f", *entry.inpoint);
            list += std::string("inpoint ") + seconds + "\n";
        }
        if (entry.end > 0) {
            std::snprintf(seconds, sizeof seconds, "%.6f", entry.end);
            list += std::string("outpoint ") + seconds + "\n";
        }
    }
    return list;
}

std::vector<std::string> JoinHead()
{
    return {"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "warning", "-y",
            "-progress", "pipe:1", "-stats_period", "0.1"};
}

std::vector<std::string> ConcatInput(const std::string& listPath)
{
    // The concat demuxer would turn H.264 from MP4 into Annex B form on its own.
    return {"-f", "concat", "-safe", "0", "-auto_convert", "0", "-i", listPath};
}

std::vector<std::string> HeaderFilters(Container output, const StreamFacts& first)
{
    const std::string& format = first.media.formatName;
    const bool headersApart = first.IsQuickTime() || format.find("matroska") != std::string::npos
        || format == "flv";
    const bool headersInStream = output == Container::Avi || output == Container::MpegPs || output == Container::Vob
        || output == Container::Asf;
    if (!headersApart || !headersInStream)
        return {};
    const std::string& codec = first.Video().codec;
    if (codec == "h264")
        return {"-bsf:v", "h264_mp4toannexb"};
    if (codec == "mpeg4")
        return {"-bsf:v", "dump_extra"};
    return {};
}

int StoppedJoin(const Request& request)
{
    WriteErr("\nStopped by signal " + std::to_string(StopSignal()) + "; no output written to " + request.output + "\n");
    return exitcode::StoppedBase + StopSignal();
}

int RunJoin(const Request& request, const std::vector<StreamFacts>& inputs,
            const std::vector<std::string>& concatLists, const JoinArguments& buildArgs, const KeptPromise& kept)
{
    TempOutput temp(request.output);
    std::vector<int> fds;
    if (temp.fdForChild() >= 0)
        fds.push_back(temp.fdForChild());
    std::vector<std::unique_ptr<MemoryFile>> lists;
    std::vector<std::string> listPaths;
    for (const std::string& text : concatLists) {
        lists.push_back(std::make_unique<MemoryFile>(text, "concat-list", "the list of files to join"));
        fds.push_back(lists.back()->fd());
        listPaths.push_back(ChildFdPath(static_cast<int>(2 + fds.size())));
    }
    const std::vector<std::string> args = buildArgs(listPaths, temp.pathForChild());

    double total = 0;
    for (const StreamFacts& input : inputs)
        total += input.duration;
    Progress progress;
    std::string ffmpegErrors;
    const auto tick = [&] { WriteOut(PosLine(progress.seconds(), progress.frames(), total)); };
    SayStep(encoderlines::Step::Encoding);
    const ChildrenRunResult run = RunChildren(
        {{args, fds, [&](std::string_view text) { progress.Feed(text); },
          [&](std::string_view text) { KeepTail(ffmpegErrors, std::string(text)); }}},
        tick);
    if (run.stopSignal != 0)
        return StoppedJoin(request);
    if (FfmpegFailed(run.statuses.front(), ffmpegErrors)) {
        WriteErr("\n" + ffmpegErrors);
        throw JobError(DescribeFfmpegFailure(run.statuses.front(), ffmpegErrors, request.output, request.inputs));
    }
    for (const StreamFacts& input : inputs)
        CheckUnchanged(input.file);
    OutputPromise promise = CopiedPromise(request, ChooseEncoding(request), inputs);
    promise.kept = kept;
    VerifyOutput(temp.pathForSelf(), request.output, promise, tick);
    if (StopSignal() != 0)
        return StoppedJoin(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
