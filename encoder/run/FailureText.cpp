#include "FailureText.h"

#include "ChildRun.h"
#include "InputProbe.h"

#include <sys/wait.h>

namespace {

std::string LastLine(const std::string& text)
{
    std::size_t end = text.find_last_not_of("\r\n ");
    if (end == std::string::npos)
        return {};
    const std::size_t start = text.find_last_of("\r\n", end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start == std::string::npos ? 0 : start + 1));
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The line of ffmpeg's messages that tells of a failed write; empty when none does.
std::string WriteErrorLine(const std::string& ffmpegErrors)
{
    static const char* const kMarks[] = {"No space left on device", "Disk quota exceeded", "Input/output error",
                                         "Error writing trailer", "Error submitting a packet to the muxer",
                                         "av_interleaved_write_frame()"};
    std::size_t start = 0;
    while (start < ffmpegErrors.size()) {
        std::size_t end = ffmpegErrors.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = ffmpegErrors.size();
        const std::string line = ffmpegErrors.substr(start, end - start);
        for (const char* mark : kMarks)
            if (Has(line, mark))
                return line;
        start = end + 1;
    }
    return {};
}

} // namespace

std::string ReasonFor(const std::string& messages, const std::string& input)
{
    const std::string named = FileUrl(input) + ": ";
    const std::size_t at = messages.rfind(named);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + named.size();
    const std::size_t end = messages.find_first_of("\r\n", start);
    return messages.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool FfmpegFailed(int status, const std::string& ffmpegErrors)
{
    return ExitCodeOf(status) != 0 || !WriteErrorLine(ffmpegErrors).empty();
}

std::string DescribeWriteFailure(const std::string& ffmpegErrors, const std::string& output)
{
    const std::string line = WriteErrorLine(ffmpegErrors);
    if (line.empty())
        return {};
    if (Has(line, "No space left on device"))
        return "No space left on the device of " + output;
    // The system's own words follow the last ": " of ffmpeg's line.
    const std::size_t words = line.rfind(": ");
    return "ffmpeg could not write " + output + ": " + (words == std::string::npos ? line : line.substr(words + 2));
}

std::string DescribeFfmpegFailure(int status, const std::string& ffmpegErrors, const std::string& output,
                                  const std::vector<std::string>& inputs)
{
    // A killed ffmpeg had no last word of its own; what it printed before is beside the point.
    if (WIFSIGNALED(status))
        return "ffmpeg was stopped by signal " + std::to_string(WTERMSIG(status));
    if (const std::string write = DescribeWriteFailure(ffmpegErrors, output); !write.empty())
        return write;
    for (const std::string& input : inputs)
        if (const std::string reason = ReasonFor(ffmpegErrors, input); !reason.empty())
            return "Input file is not a readable video file (" + reason + "): " + input;
    const std::string last = LastLine(ffmpegErrors);
    return "ffmpeg could not make the output file " + output + (last.empty() ? "" : " (" + last + ")");
}

void KeepTail(std::string& tail, const std::string& more)
{
    constexpr std::size_t kKeep = 8192;
    tail += more;
    if (tail.size() > kKeep)
        tail.erase(0, tail.size() - kKeep);
}
