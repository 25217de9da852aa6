#include "Chapters.h"

#include <cmath>

namespace {

// ffmetadata reads these characters as its own unless a backslash comes first.
std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n' || c == '\r')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

long long Microseconds(double seconds)
{
    return std::llround(seconds * 1e6);
}

} // namespace

bool WritesChapters(const Request& request, const Encoding& encoding)
{
    const bool keepsChapters = encoding.container == Container::Mp4 || encoding.container == Container::Mov
        || encoding.container == Container::Matroska;
    return keepsChapters && !request.piece && !request.chapterTitles.empty();
}

std::string ChapterMetadata(const std::vector<std::string>& titles, const std::vector<double>& lengths)
{
    std::string text = ";FFMETADATA1\n";
    double start = 0;
    for (std::size_t i = 0; i < titles.size() && i < lengths.size(); ++i) {
        const double end = start + std::max(lengths[i], 0.0);
        text += "[CHAPTER]\nTIMEBASE=1/1000000\nSTART=" + std::to_string(Microseconds(start))
            + "\nEND=" + std::to_string(Microseconds(end)) + "\ntitle=" + Escaped(titles[i]) + "\n";
        start = end;
    }
    return text;
}

std::vector<std::string> ChapterInput(const std::string& path)
{
    return {"-f", "ffmetadata", "-i", path};
}

std::vector<std::string> ChapterMap(std::size_t input)
{
    return {"-map_chapters", std::to_string(input)};
}
