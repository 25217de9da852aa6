#include "EncodeJob.h"

#include "ChildRun.h"
#include "Console.h"
#include "Encoding.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "FfmpegPlan.h"
#include "InputProbe.h"
#include "JobError.h"
#include "OutputCheck.h"
#include "Progress.h"
#include "StopSignals.h"
#include "TempOutput.h"
#include "UsageError.h"

#include <algorithm>
#include <climits>
#include <list>
#include <optional>
#include <cstdlib>
#include <string>

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

} // namespace

int RunEncodeJob(const Request& request)
{
    const Encoding encoding = ChooseEncoding(request);
    RefuseOutputAmongInputs(request);
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

    // The parts in the output's folder, so that copying them together stays on one disk.
    std::optional<PartFile> audioPart(std::in_place, request.output);
    const int firstPartFd = temp.fdForChild() >= 0 ? 4 : 3;
    const FfmpegPlan plan = BuildFfmpegPlan(request, encoding, inputs, temp.pathForChild(), firstPartFd);
    std::list<PartFile> videoParts;
    std::vector<Progress> progress(plan.videoParts.size());
    // The position is the picture made so far by all runs together.
    const auto made = [&] {
        std::pair<double, long> sum;
        for (const Progress& part : progress) {
            sum.first += part.seconds();
            sum.second += part.frames();
        }
        return sum;
    };
    std::string ffmpegErrors;
    const auto onStderr = [&](std::string_view text) {
        WriteErr(text);
        KeepTail(ffmpegErrors, std::string(text));
    };
    const auto tick = [&] { WriteOut(PosLine(made().first, made().second, total)); };
    const auto failed = [](const ChildrenRunResult& run) {
        return std::any_of(run.statuses.begin(), run.statuses.end(), [](int status) { return ExitCodeOf(status) != 0; });
    };

    std::vector<ChildCommand> parts;
    for (std::size_t i = 0; i < plan.videoParts.size(); ++i) {
        const int fd = videoParts.emplace_back(request.output).fd();
        parts.push_back({plan.videoParts[i], {fd}, [&, i](std::string_view text) { progress[i].Feed(text); }, onStderr});
    }
    parts.push_back({plan.audioPart, {audioPart->fd()}, nullptr, onStderr});
    ChildrenRunResult run = RunChildren(parts, tick);
    if (run.stopSignal != 0)
        return Stopped(request);
    if (failed(run))
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));

    std::vector<int> copyFds;
    if (temp.fdForChild() >= 0)
        copyFds.push_back(temp.fdForChild());
    copyFds.push_back(audioPart->fd());
    for (const PartFile& part : videoParts)
        copyFds.push_back(part.fd());
    std::optional<PartFile> list;
    if (!plan.partList.empty()) {
        list.emplace(request.output);
        WriteAll(list->fd(), plan.partList);
        copyFds.push_back(list->fd());
    }
    run = RunChildren({{plan.copy, copyFds, nullptr, onStderr}}, tick);
    if (run.stopSignal != 0)
        return Stopped(request);
    if (failed(run))
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));

    CheckOutput(temp, request.output, tick);
    if (StopSignal() != 0)
        return Stopped(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : made().first, made().second, 100));
    WriteOut("\n");
    return exitcode::Success;
}
