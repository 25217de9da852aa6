#include "EncodeJob.h"

#include "ChildRun.h"
#include "Console.h"
#include "CopyJoin.h"
#include "Encoding.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "FfmpegPlan.h"
#include "InputProbe.h"
#include "JobError.h"
#include "MemoryFile.h"
#include "OutputCheck.h"
#include "PieceJoin.h"
#include "Progress.h"
#include "StopSignals.h"
#include "TempOutput.h"
#include "UsageError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

void RefuseOutputAmongInputs(const Request& request)
{
    const std::string output = RealPath(request.output);
    if (output.empty())
        return;
    for (const std::string& input : request.inputs)
        if (RealPath(input) == output)
            throw UsageError("The output file is also an input: " + request.output);
}

int Stopped(const Request& request)
{
    WriteErr("\nStopped by signal " + std::to_string(StopSignal()) + "; no output written to "
             + request.output + "\n");
    return exitcode::StoppedBase + StopSignal();
}

// The cores to plan for: VELMO_ENCODER_CORES when set to a number, else the machine's.
unsigned Cores()
{
    if (const char* text = std::getenv("VELMO_ENCODER_CORES")) {
        const long cores = std::strtol(text, nullptr, 10);
        if (cores > 0)
            return static_cast<unsigned>(std::min(cores, 4096L));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// A join opens every input in one ffmpeg run, which inherits this limit.
void AllowEveryFileOpen()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

Encoding CheckRequest(const Request& request)
{
    // A folder named as the output has no extension: that it is a folder says more.
    CheckOutputPlace(request.output);
    const Encoding encoding = ChooseEncoding(request);
    RefuseOutputAmongInputs(request);
    return encoding;
}

int RunEncodeJob(const Request& request)
{
    const Encoding encoding = CheckRequest(request);
    if (request.copyStreams)
        return RunCopyJoin(request, encoding);
    if (const auto joined = JoinPieces(request, encoding))
        return *joined;
    TempOutput temp(request.output);

    const auto waiting = [] { WriteOut(FormatPosLine(0, 0, 0)); };
    std::vector<InputInfo> inputs;
    double total = 0;
    for (const std::string& path : request.inputs) {
        inputs.push_back(ProbeInput(path, waiting));
        if (StopSignal() != 0)
            return Stopped(request);
        total += inputs.back().duration;
    }

    std::vector<int> fds;
    if (temp.fdForChild() >= 0)
        fds.push_back(temp.fdForChild());
    const int graphFd = 3 + static_cast<int>(fds.size());
    FfmpegPlan plan = BuildFfmpegPlan(request, encoding, inputs, temp.pathForChild(), ChildFdPath(graphFd), Cores());
    if (request.piece)
        MakePiecePlan(plan, request, encoding);
    for (const std::string& change : plan.changes)
        WriteErr(change + "\n");
    const MemoryFile graph(plan.graph, "ffmpeg-graph", "the ffmpeg filter graph");
    fds.push_back(graph.fd());
    AllowEveryFileOpen();

    Progress progress;
    // ffmpeg's messages are shown only when it fails: on success they are harmless notes.
    std::string ffmpegErrors;
    const auto tick = [&] { WriteOut(PosLine(progress.seconds(), progress.frames(), total)); };
    const ChildrenRunResult run = RunChildren(
        {{plan.args, fds, [&](std::string_view text) { progress.Feed(text); },
          [&](std::string_view text) { KeepTail(ffmpegErrors, std::string(text)); }}},
        tick);
    if (run.stopSignal != 0)
        return Stopped(request);
    if (ExitCodeOf(run.statuses.front()) != 0) {
        WriteErr("\n" + ffmpegErrors);
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));
    }

    for (const InputInfo& input : inputs)
        CheckUnchanged(input);
    CheckOutput(temp, request.output, tick);
    if (StopSignal() != 0)
        return Stopped(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
