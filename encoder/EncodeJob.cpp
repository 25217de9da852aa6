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

#include <climits>
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

    Progress progress(total);
    std::string ffmpegErrors;
    const ChildRunResult run = RunChild(
        BuildFfmpegArguments(request, encoding, inputs, temp.pathForChild()),
        {[&](std::string_view text) { progress.Feed(text); },
         [&](std::string_view text) {
             WriteErr(text);
             KeepTail(ffmpegErrors, std::string(text));
         },
         [&] { WriteOut(progress.Line()); }},
        temp.fdForChild());
    if (run.stopSignal != 0)
        return Stopped(request);
    if (ExitCodeOf(run.status) != 0)
        throw JobError(DescribeFfmpegFailure(ffmpegErrors, request.output, request.inputs));

    CheckOutput(temp, request.output, [&] { WriteOut(progress.Line()); });
    if (StopSignal() != 0)
        return Stopped(request);
    temp.Commit();
    WriteOut(FormatPosLine(total > 0 ? total : progress.seconds(), progress.frames(), 100));
    WriteOut("\n");
    return exitcode::Success;
}
