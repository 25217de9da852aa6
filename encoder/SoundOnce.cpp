#include "SoundOnce.h"

#include "EachInputRuns.h"

#include <cmath>
#include <cstdlib>

std::vector<std::string> DecodedSounds(const std::vector<StreamFacts>& inputs, const std::vector<double>& spans,
                                       PrivateFolder& folder, const std::function<void()>& onTick)
{
    return RunForEachInput(
        inputs.size(), folder, ".flac",
        [&](std::size_t index, const std::string& piece) {
            const StreamFacts& input = inputs[index];
            const long long samples = std::llround(spans[index] * std::atof(input.Audio("sample_rate").c_str()));
            return std::vector<std::string>{"ffmpeg", "-nostdin", "-v", "error", "-i", FileUrl(input.file.path),
                                            "-map", "0:" + std::to_string(input.audio), "-af",
                                            "aresample=async=1:min_hard_comp=0.005:first_pts=0,apad,atrim=end_sample="
                                                + std::to_string(samples),
                                            "-c:a", "flac", "-f", "flac", FileUrl(piece)};
        },
        [&](std::size_t index) { return "The sound of " + inputs[index].file.path + " could not be decoded: "; },
        onTick);
}
