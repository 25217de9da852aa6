#include "OutputCheck.h"

#include "ChildRun.h"
#include "InputProbe.h"
#include "JobError.h"
#include "Progress.h"

#include <cstdlib>

double CheckOutput(const TempOutput& temp, const std::string& finalPath, const std::function<void()>& onTick,
                   bool sound)
{
    SayStep("checking");
    std::string out;
    const std::vector<std::string> args = {"ffprobe", "-v", "error", "-of", "flat", "-show_entries",
                                           "format=duration:stream=codec_type", temp.pathForChild()};
    const ChildRunResult run = RunChild(args, {[&](std::string_view text) { out.append(text); }, nullptr, onTick},
                                        temp.fdForChild() >= 0 ? std::vector<int>{temp.fdForChild()} : std::vector<int>{});
    if (run.stopSignal != 0)
        return 0;
    const auto values = ParseFlatOutput(out);
    bool video = false;
    bool audio = false;
    for (const auto& [key, value] : values) {
        if (key.ends_with(".codec_type")) {
            video = video || value == "video";
            audio = audio || value == "audio";
        }
    }
    const auto duration = values.find("format.duration");
    const double seconds = duration == values.end() ? 0 : std::atof(duration->second.c_str());
    if (ExitCodeOf(run.status) != 0 || !video || (sound && !audio) || seconds <= 0)
        throw JobError("The output file could not be read back after writing: " + finalPath);
    return seconds;
}
