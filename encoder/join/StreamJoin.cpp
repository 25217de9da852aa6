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
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace {

std::string Found(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}


} // namespace

std::string StreamFacts::Video(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(video) + "." + key);
}

std::string StreamFacts::Format() const
{
    return Found(values, "format.format_name");
}

std::string StreamFacts::Audio(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(audio) + "." + key);
}

namespace {

std::vector<std::string> FactsArguments(const std::string& path, PacketsRead packets)
{
    std::vector<std::string> args = {
        "ffprobe", "-v", "error", "-of", "compact", "-show_data_hash", "md5", "-show_entries",
        "format=format_name,start_time,duration:format_tags:stream=index,codec_type,codec_name,profile,width,height,"
        "sample_aspect_ratio,pix_fmt,r_frame_rate,sample_rate,channels,extradata_hash,start_time,time_base,bit_rate,"
        "level,color_transfer,duration,nb_frames:"
        "stream_disposition=attached_pic:packet=stream_index,pts,dts,duration"};
    if (packets == PacketsRead::First)
        args.insert(args.end(), {"-read_intervals", "%+#50"});
    args.push_back(FileUrl(path));
    return args;
}

// The facts from ffprobe's listing of the file as it was before ffprobe read it.
StreamFacts FactsFrom(const std::string& path, const struct stat& file, PacketTimesReader& reader)
{
    StreamFacts facts;
    facts.file.path = path;
    facts.file.size = file.st_size;
    facts.file.changedNanoseconds = static_cast<long long>(file.st_mtim.tv_sec) * 1000000000LL + file.st_mtim.tv_nsec;
    facts.file.device = file.st_dev;
    facts.file.inode = file.st_ino;
    facts.values = std::move(reader.values());
    for (int index = 0;; ++index) {
        const std::string prefix = "streams.stream." + std::to_string(index) + ".";
        const std::string type = Found(facts.values, prefix + "codec_type");
        if (type.empty())
            break;
        if (type == "video" && facts.video < 0 && Found(facts.values, prefix + "disposition.attached_pic") != "1")
            facts.video = index;
        else if (type == "audio" && facts.audio < 0)
            facts.audio = index;
    }
    if (facts.video < 0)
        throw JobError("Input file has no video stream: " + path);
    facts.duration = std::atof(Found(facts.values, "format.duration").c_str());
    facts.start = std::atof(Found(facts.values, "format.start_time").c_str());
    facts.picture = std::move(reader.streams()[facts.video]);
    const double keepFrom = facts.picture.end - PacketTimes::kKeptSeconds;
    facts.picture.KeepFrom(keepFrom);
    if (facts.audio >= 0) {
        facts.sound = std::move(reader.streams()[facts.audio]);
        facts.sound.KeepFrom(keepFrom);
    }
    return facts;
}

} // namespace

std::vector<StreamFacts> ProbeStreams(const std::vector<std::string>& paths, const std::function<void()>& onTick,
                                      PacketsRead packets)
{
    // A few ffprobe runs side by side: each spends most of its short life starting.
    constexpr std::size_t kSideBySide = 8;
    std::vector<StreamFacts> all;
    for (std::size_t batch = 0; batch < paths.size(); batch += kSideBySide) {
        const std::size_t count = std::min(kSideBySide, paths.size() - batch);
        std::vector<struct stat> files(count);
        std::vector<PacketTimesReader> listings(count);
        std::vector<std::string> errors(count);
        std::vector<ChildCommand> probes;
        std::vector<PacketsRead> reads(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& path = paths[batch + i];
            if (stat(path.c_str(), &files[i]) != 0 || S_ISDIR(files[i].st_mode))
                throw JobError("Input file not found: " + path);
            // A pipe or a device would keep ffprobe waiting for data that may never come.
            if (!S_ISREG(files[i].st_mode))
                throw JobError("Input is not a regular file: " + path);
            reads[i] = packets != PacketsRead::AllButIndexed ? packets
                : LooksLikeQuickTime(path)                        ? PacketsRead::First
                                                            : PacketsRead::All;
            probes.push_back({FactsArguments(path, reads[i]), {},
                              [&listings, i](std::string_view text) { listings[i].Feed(text); },
                              [&errors, i](std::string_view text) { KeepTail(errors[i], std::string(text)); }});
        }
        ChildrenRunResult run = RunChildren(probes, onTick);
        if (run.stopSignal != 0)
            return all;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& path = paths[batch + i];
            if (ExitCodeOf(run.statuses[i]) != 0) {
                // A failed run ends the others: each is asked again alone, in order, to
                // name the first file that really cannot be read.
                listings[i] = PacketTimesReader();
                errors[i].clear();
                run = RunChildren({probes[i]}, onTick);
                if (run.stopSignal != 0)
                    return all;
                if (ExitCodeOf(run.statuses.front()) != 0) {
                    const std::string reason = ReasonFor(errors[i], path);
                    throw JobError("Input file is not a readable video file"
                                   + (reason.empty() ? "" : " (" + reason + ")") + ": " + path);
                }
            }
            listings[i].Finish();
            all.push_back(FactsFrom(path, files[i], listings[i]));
            all.back().packetsWhole = reads[i] == PacketsRead::All;
            // A file that only began like an MP4 is read again, every packet.
            if (reads[i] == PacketsRead::First && packets == PacketsRead::AllButIndexed
                && !all.back().IsQuickTime()) {
                all.pop_back();
                std::vector<StreamFacts> again = ProbeStreams({path}, onTick, PacketsRead::All);
                if (again.empty())
                    return all;
                all.push_back(std::move(again.front()));
            }
        }
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
    const std::string format = first.Format();
    const bool headersApart = first.IsQuickTime() || format.find("matroska") != std::string::npos
        || format == "flv";
    const bool headersInStream = output == Container::Avi || output == Container::MpegPs || output == Container::Vob
        || output == Container::Asf;
    if (!headersApart || !headersInStream)
        return {};
    const std::string codec = first.Video("codec_name");
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
            const std::vector<std::string>& concatLists, const JoinArguments& buildArgs)
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
    SayStep("encoding");
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
    VerifyOutput(temp.pathForSelf(), request.output, CopiedPromise(request, ChooseEncoding(request), inputs), tick);
    if (StopSignal() != 0)
        return StoppedJoin(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
