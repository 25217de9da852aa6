#include "EachInputRuns.h"

#include "ChildRun.h"
#include "FailureText.h"
#include "JobError.h"

#include <algorithm>

std::vector<std::string> RunForEachInput(
    std::size_t count, PrivateFolder& folder, const std::string& extension,
    const std::function<std::vector<std::string>(std::size_t index, const std::string& output)>& command,
    const std::function<std::string(std::size_t index)>& failure, const std::function<void()>& onTick)
{
    constexpr std::size_t kSideBySide = 4;
    std::vector<std::string> outputs;
    for (std::size_t batch = 0; batch < count; batch += kSideBySide) {
        const std::size_t size = std::min(kSideBySide, count - batch);
        std::vector<std::string> errors(size);
        std::vector<ChildCommand> runs;
        for (std::size_t i = 0; i < size; ++i) {
            outputs.push_back(folder.NewName(extension));
            runs.push_back({command(batch + i, outputs.back()),
                            {},
                            nullptr,
                            [&errors, i](std::string_view text) { KeepTail(errors[i], std::string(text)); }});
        }
        const ChildrenRunResult run = RunChildren(runs, onTick);
        if (run.stopSignal != 0)
            return {};
        for (std::size_t i = 0; i < size; ++i)
            if (FfmpegFailed(run.statuses[i], errors[i]))
                throw JobError(failure(batch + i)
                               + DescribeFfmpegFailure(run.statuses[i], errors[i], outputs[batch + i], {}));
    }
    return outputs;
}
