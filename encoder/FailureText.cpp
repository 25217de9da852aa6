#include "FailureText.h"

#include "InputProbe.h"

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

} // namespace

std::string DescribeFfmpegFailure(const std::string& ffmpegErrors, const std::string& output,
                                  const std::vector<std::string>& inputs)
{
    if (Has(ffmpegErrors, "No space left on device"))
        return "No room left on the disk for the output file: " + output;
    if (Has(ffmpegErrors, "Disk quota exceeded"))
        return "Disk quota exceeded while writing the output file: " + output;
    for (const std::string& input : inputs)
        if (Has(ffmpegErrors, FileUrl(input) + ":"))
            return "Input file is not a readable video file: " + input;
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
