#include "Thumbnail.h"

#include "ChildRun.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "InputProbe.h"
#include "JobError.h"
#include "LibavInput.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int LargestSide = 4096;

std::optional<int> Side(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 1 || value > LargestSide)
        return std::nullopt;
    return value;
}

std::string LastLine(const std::string& text)
{
    const std::size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos)
        return {};
    const std::size_t newline = text.find_last_of("\r\n", end);
    const std::size_t start = newline == std::string::npos ? 0 : newline + 1;
    return text.substr(start, end + 1 - start);
}

struct Run {
    int exitCode = 0;
    int stopSignal = 0;
    std::string out;
    std::string err;
};

Run RunTool(const std::vector<std::string>& argv)
{
    Run run;
    ChildRunHandlers handlers;
    handlers.onStdout = [&run](std::string_view text) { run.out += text; };
    // Only the last line is told; a flood of warnings need not be kept whole.
    handlers.onStderr = [&run](std::string_view text) { KeepTail(run.err, std::string(text)); };
    const ChildRunResult result = RunChild(argv, handlers);
    run.exitCode = ExitCodeOf(result.status);
    run.stopSignal = result.stopSignal;
    return run;
}

// The length in seconds, from the header alone, 0 when the file does not tell; throws
// JobError when there is no picture to take.
double PictureLength(const std::string& input)
{
    const std::function<void()> noTick;
    ReadWatch watch{noTick};
    const OpenedInput opened = OpenInput(input, watch);
    if (!opened.context)
        throw JobError("The file cannot be read: " + opened.error);
    bool picture = false;
    for (unsigned index = 0; index < opened.context->nb_streams; ++index)
        picture = picture || opened.context->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (!picture)
        throw JobError("The file has no picture.");
    return opened.context->duration > 0 ? static_cast<double>(opened.context->duration) / AV_TIME_BASE : 0;
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

bool WroteFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

// One frame from `seconds` on, scaled to its display aspect within the box; true when it was written.
bool WriteFrame(const std::string& input, const std::string& output, double seconds, int width, int height,
                std::string& error)
{
    const std::string box = "w='max(1,min(" + std::to_string(width) + "," + std::to_string(height)
        + "*dar))':h='max(1,min(" + std::to_string(height) + "," + std::to_string(width) + "/dar))'";
    const Run run = RunTool({"ffmpeg", "-nostdin", "-v", "error", "-y", "-threads", "1", "-ss", SecondsText(seconds),
                             "-i", FileUrl(input), "-map", "0:v:0", "-frames:v", "1", "-vf", "scale=" + box + ",setsar=1",
                             "-q:v", "3", "-f", "image2", "-update", "1", FileUrl(output)});
    if (run.stopSignal) {
        unlink(output.c_str());
        throw JobError("Stopped.", exitcode::StoppedBase + run.stopSignal);
    }
    if (run.exitCode == 0 && WroteFile(output))
        return true;
    unlink(output.c_str());
    error = LastLine(run.err);
    return false;
}

} // namespace

int RunThumbnail(const std::vector<std::string>& args)
{
    const std::optional<int> width = args.size() == 4 ? Side(args[2]) : std::nullopt;
    const std::optional<int> height = args.size() == 4 ? Side(args[3]) : std::nullopt;
    if (!width || !height) {
        WriteErr("Usage: --thumbnail INPUT OUTPUT.jpg MAXWIDTH MAXHEIGHT (sides 1 to " + std::to_string(LargestSide)
                 + ")\n");
        return exitcode::BadArguments;
    }
    const std::string& input = args[0];
    const std::string& output = args[1];
    // Pictures are extras: the list and any job running beside them come first.
    setpriority(PRIO_PROCESS, 0, 19);
    try {
        struct stat info {};
        if (stat(input.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            throw JobError("Input file not found: " + input);
        const double length = PictureLength(input);
        std::string error;
        // A length the file claims but its frames do not reach gives no frame there: then the first.
        if (WriteFrame(input, output, length / 10, *width, *height, error)
            || (length > 0 && WriteFrame(input, output, 0, *width, *height, error)))
            return exitcode::Success;
        throw JobError("No picture could be made: " + (error.empty() ? std::string("no frame decoded") : error));
    } catch (const JobError& error) {
        WriteErr(std::string(error.what()) + "\n");
        return error.exitCode();
    } catch (const std::exception& error) {
        WriteErr(std::string("No picture could be made: ") + error.what() + "\n");
        return exitcode::Failed;
    }
}
