#include "StreamJoin.h"

#include "ChildRun.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "JobError.h"
#include "MemoryFile.h"
#include "OutputCheck.h"
#include "Progress.h"
#include "StopSignals.h"
#include "TempOutput.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Found(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}


struct FirstPacket {
    double start = 0;
    double seconds = 0;
};

// The stream's first packet in ffprobe's flat listing of packets (which ParseFlatOutput
// leaves out); zeros when none is listed.
FirstPacket FirstPacketOf(const std::string& listing, int stream)
{
    const std::string prefix = "packets.packet.";
    std::string packet;
    int packetStream = -1;
    FirstPacket first;
    bool found = false;
    std::size_t start = 0;
    for (std::size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = listing.substr(start, end - start);
        if (!line.starts_with(prefix))
            continue;
        const std::size_t dot = line.find('.', prefix.size());
        const std::size_t equals = line.find('=', dot);
        if (dot == std::string::npos || equals == std::string::npos)
            continue;
        if (line.compare(prefix.size(), dot - prefix.size(), packet) != 0) {
            if (found)
                return first;
            packet = line.substr(prefix.size(), dot - prefix.size());
            packetStream = -1;
        }
        const std::string field = line.substr(dot + 1, equals - dot - 1);
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"')
            value = value.substr(1, value.size() - 2);
        if (field == "stream_index") {
            packetStream = std::atoi(value.c_str());
            found = packetStream == stream;
        } else if (found && field == "pts_time") {
            first.start = std::atof(value.c_str());
        } else if (found && field == "duration_time") {
            first.seconds = std::atof(value.c_str());
        }
    }
    return first;
}

} // namespace

std::string StreamFacts::Video(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(video) + "." + key);
}

std::string StreamFacts::Audio(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(audio) + "." + key);
}

namespace {

std::vector<std::string> FactsArguments(const std::string& path)
{
    return {"ffprobe", "-v", "error", "-of", "flat", "-show_data_hash", "md5", "-show_entries",
            "format=format_name,start_time,duration:format_tags:stream=codec_type,codec_name,profile,width,height,"
            "sample_aspect_ratio,pix_fmt,r_frame_rate,sample_rate,channels,extradata_hash,start_time:"
            "stream_disposition=attached_pic:packet=stream_index,pts_time,duration_time",
            "-read_intervals", "%+#50", FileUrl(path)};
}

// The facts from ffprobe's listing of the file as it was before ffprobe read it.
StreamFacts FactsFrom(const std::string& path, const struct stat& file, const std::string& listing)
{
    StreamFacts facts;
    facts.file.path = path;
    facts.file.size = file.st_size;
    facts.file.changedNanoseconds = static_cast<long long>(file.st_mtim.tv_sec) * 1000000000LL + file.st_mtim.tv_nsec;
    facts.values = ParseFlatOutput(listing);
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
    if (facts.audio >= 0) {
        const FirstPacket first = FirstPacketOf(listing, facts.audio);
        facts.soundPacketSeconds = first.seconds;
        facts.soundLead = std::max(0.0, std::atof(facts.Audio("start_time").c_str()) - first.start);
    }
    return facts;
}

} // namespace

std::vector<StreamFacts> ProbeStreams(const std::vector<std::string>& paths, const std::function<void()>& onTick)
{
    // A few ffprobe runs side by side: each spends most of its short life starting.
    constexpr std::size_t kSideBySide = 8;
    std::vector<StreamFacts> all;
    for (std::size_t batch = 0; batch < paths.size(); batch += kSideBySide) {
        const std::size_t count = std::min(kSideBySide, paths.size() - batch);
        std::vector<struct stat> files(count);
        std::vector<std::string> listings(count);
        std::vector<std::string> errors(count);
        std::vector<ChildCommand> probes;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& path = paths[batch + i];
            if (stat(path.c_str(), &files[i]) != 0 || S_ISDIR(files[i].st_mode))
                throw JobError("Input file not found: " + path);
            probes.push_back({FactsArguments(path), {}, [&listings, i](std::string_view text) { listings[i].append(text); },
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
                listings[i].clear();
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
            all.push_back(FactsFrom(path, files[i], listings[i]));
        }
    }
    return all;
}

std::string ConcatList(const std::vector<ConcatEntry>& entries)
{
    std::string list = "ffconcat version 1.0\n";
    for (const ConcatEntry& entry : entries) {
        char resolved[PATH_MAX];
        std::string name = realpath(entry.path.c_str(), resolved) ? std::string(resolved) : entry.path;
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
    const std::string format = Found(first.values, "format.format_name");
    const bool headersApart = format.find("mov") != std::string::npos || format.find("matroska") != std::string::npos
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
    const ChildrenRunResult run = RunChildren(
        {{args, fds, [&](std::string_view text) { progress.Feed(text); },
          [&](std::string_view text) { KeepTail(ffmpegErrors, std::string(text)); }}},
        tick);
    if (run.stopSignal != 0)
        return StoppedJoin(request);
    if (ExitCodeOf(run.statuses.front()) != 0) {
        WriteErr("\n" + ffmpegErrors);
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));
    }
    for (const StreamFacts& input : inputs)
        CheckUnchanged(input.file);
    CheckOutput(temp, request.output, tick);
    if (StopSignal() != 0)
        return StoppedJoin(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
