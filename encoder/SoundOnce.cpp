#include "SoundOnce.h"

#include "ChildRun.h"
#include "FailureText.h"
#include "JobError.h"

#include <cmath>
#include <cstdlib>

std::vector<std::string> DecodedSounds(const std::vector<StreamFacts>& inputs, const std::vector<double>& spans,
                                       PrivateFolder& folder, const std::function<void()>& onTick)
{
    // Decoding sound takes a core for a short while: a few side by side.
    constexpr std::size_t kSideBySide = 4;
    std::vector<std::string> pieces;
    for (std::size_t batch = 0; batch < inputs.size(); batch += kSideBySide) {
        const std::size_t count = std::min(kSideBySide, inputs.size() - batch);
        std::vector<std::string> errors(count);
        std::vector<ChildCommand> runs;
        for (std::size_t i = 0; i < count; ++i) {
            const StreamFacts& input = inputs[batch + i];
            const long long samples = std::llround(spans[batch + i] * std::atof(input.Audio("sample_rate").c_str()));
            pieces.push_back(folder.NewName(".flac"));
            runs.push_back({{"ffmpeg", "-nostdin", "-v", "error", "-i", FileUrl(input.file.path), "-map",
                             "0:" + std::to_string(input.audio), "-af",
                             "aresample=async=1:min_hard_comp=0.005:first_pts=0,apad,atrim=end_sample="
                                 + std::to_string(samples),
                             "-c:a", "flac", "-f", "flac", FileUrl(pieces.back())},
                            {},
                            nullptr,
                            [&errors, i](std::string_view text) { KeepTail(errors[i], std::string(text)); }});
        }
        const ChildrenRunResult run = RunChildren(runs, onTick);
        if (run.stopSignal != 0)
            return {};
        for (std::size_t i = 0; i < count; ++i)
            if (ExitCodeOf(run.statuses[i]) != 0)
                throw JobError("The sound of " + inputs[batch + i].file.path + " could not be decoded: " + errors[i]);
    }
    return pieces;
}
