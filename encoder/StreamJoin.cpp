#include "StreamJoin.h"

#include "ChildRun.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "JobError.h"
#include "OutputCheck.h"
#include "Progress.h"
#include "StopSignals.h"
#include "TempOutput.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Found(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

// The concat list in memory, read by ffmpeg as a file.
class ListFile {
public:
    explicit ListFile(const std::string& text) : fd_(memfd_create("concat-list", MFD_CLOEXEC))
    {
        if (fd_ < 0)
            throw JobError(std::string("Cannot hold the list of files to join: ") + std::strerror(errno));
        WriteAll(fd_, text);
    }
    ~ListFile() { close(fd_); }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string StreamFacts::Video(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(video) + "." + key);
}

std::string StreamFacts::Audio(const std::string& key) const
{
    return Found(values, "streams.stream." + std::to_string(audio) + "." + key);
}

StreamFacts ProbeStreams(const std::string& path, const std::function<void()>& onTick)
{
    StreamFacts facts;
    struct stat file {};
    if (stat(path.c_str(), &file) != 0 || S_ISDIR(file.st_mode))
        throw JobError("Input file not found: " + path);
    facts.file.path = path;
    facts.file.size = file.st_size;
    facts.file.changedNanoseconds = static_cast<long long>(file.st_mtim.tv_sec) * 1000000000LL + file.st_mtim.tv_nsec;
    std::string out;
    std::string errors;
    const ChildRunResult run = RunChild(
        {"ffprobe", "-v", "error", "-of", "flat", "-show_data_hash", "md5", "-show_entries",
         "format=duration:format_tags:stream=codec_type,codec_name,profile,width,height,sample_aspect_ratio,pix_fmt,"
         "r_frame_rate,sample_rate,channels,extradata_hash:stream_disposition=attached_pic",
         FileUrl(path)},
        {[&](std::string_view text) { out.append(text); },
         [&](std::string_view text) { KeepTail(errors, std::string(text)); }, onTick});
    if (run.stopSignal != 0)
        return facts;
    if (ExitCodeOf(run.status) != 0) {
        const std::string reason = ReasonFor(errors, path);
        throw JobError("Input file is not a readable video file" + (reason.empty() ? "" : " (" + reason + ")") + ": "
                       + path);
    }
    facts.values = ParseFlatOutput(out);
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
    return facts;
}

std::string ConcatList(const std::vector<std::string>& paths)
{
    std::string list = "ffconcat version 1.0\n";
    for (const std::string& path : paths) {
        char resolved[PATH_MAX];
        std::string name = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
        // Quoted; a quote inside ends the quotes, is given escaped, and opens them again.
        std::string quoted;
        for (const char c : FileUrl(name))
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        list += "file '" + quoted + "'\n";
    }
    return list;
}

std::vector<std::string> JoinHead(const std::string& listPath)
{
    // The concat demuxer would turn H.264 from MP4 into Annex B form on its own.
    return {"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "warning", "-y",
            "-progress", "pipe:1", "-stats_period", "0.1",
            "-f", "concat", "-safe", "0", "-auto_convert", "0", "-i", listPath};
}

int RunJoin(const Request& request, const std::vector<StreamFacts>& inputs, const std::string& concatList,
            const std::function<std::vector<std::string>(const std::string&, const std::string&)>& buildArgs)
{
    const auto stopped = [&] {
        WriteErr("\nStopped by signal " + std::to_string(StopSignal()) + "; no output written to " + request.output
                 + "\n");
        return exitcode::StoppedBase + StopSignal();
    };
    TempOutput temp(request.output);
    std::vector<int> fds;
    if (temp.fdForChild() >= 0)
        fds.push_back(temp.fdForChild());
    const ListFile list(concatList);
    fds.push_back(list.fd());
    const std::vector<std::string> args = buildArgs(ChildFdPath(static_cast<int>(2 + fds.size())), temp.pathForChild());

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
        return stopped();
    if (ExitCodeOf(run.statuses.front()) != 0) {
        WriteErr("\n" + ffmpegErrors);
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));
    }
    for (const StreamFacts& input : inputs)
        CheckUnchanged(input.file);
    CheckOutput(temp, request.output, tick);
    if (StopSignal() != 0)
        return stopped();
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
