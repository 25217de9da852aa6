#include "Progress.h"

#include "Console.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

template <typename Number>
bool ReadNumber(std::string_view text, Number& value)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

} // namespace

void Progress::Feed(std::string_view text)
{
    partial_.append(text);
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1)
        TakeLine(std::string_view(partial_).substr(start, end - start));
    partial_.erase(0, start);
}

void Progress::TakeLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "out_time_us") {
        long long microseconds = 0;
        // The position never goes back, also not when ffmpeg reports N/A or a negative start.
        if (ReadNumber(value, microseconds))
            seconds_ = std::max(seconds_, static_cast<double>(microseconds) / 1e6);
    } else if (key == "frame") {
        long frames = 0;
        if (ReadNumber(value, frames))
            frames_ = std::max(frames_, frames);
    }
}

std::string PosLine(double seconds, long frames, double total)
{
    const double shown = total > 0 ? std::min(seconds, total) : seconds;
    const int percent = total > 0 ? static_cast<int>(100.0 * shown / total) : 0;
    return FormatPosLine(shown, frames, percent);
}

std::string FormatPosLine(double seconds, long frames, int percent)
{
    char line[80];
    std::snprintf(line, sizeof line, "Pos: %6.1fs %6ldf (%2d%%)\r", seconds, frames, percent);
    const std::string_view token = TaggedLinesToken();
    return token.empty() ? std::string(line) : line + encoderlines::Tagged(token, encoderlines::ProgressLine(seconds, frames, percent));
}

std::string_view TaggedLinesToken()
{
    const char* token = std::getenv(encoderlines::WantedVariable);
    return token ? token : "";
}

void Tell(const std::string& body)
{
    if (const std::string_view token = TaggedLinesToken(); !token.empty())
        WriteOut(encoderlines::Tagged(token, body));
}

void SayStep(encoderlines::Step step)
{
    Tell(encoderlines::StepLine(step));
}

void SayEncoding(encoderlines::Picture from, encoderlines::Picture to)
{
    Tell(encoderlines::StepLine(encoderlines::Step::Encoding, from, to));
}

void SayNote(std::size_t input, const std::string& words)
{
    WriteErr(words + "\n");
    Tell(encoderlines::NoteLine(input, words));
}
