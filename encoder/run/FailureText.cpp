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

std::string DescribeFfmpegFailure(const std::string& ffmpegErrors, const std::string& output,
                                  const std::vector<std::string>& inputs)
{
    if (Has(ffmpegErrors, "No space left on device"))
        return "No space left on device for the output file: " + output;
    if (Has(ffmpegErrors, "Disk quota exceeded"))
        return "Disk quota exceeded while writing the output file: " + output;
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
