#pragma once

// The lines the encoder writes for the joiner, one fact a line, and how the joiner reads
// them back. Both programs take them from here, so that neither reads the other's
// sentences:
// Each line starts with "#velmo TOKEN ", TOKEN the one the caller gave the encoder in its
// environment: a sentence of the encoder that quotes a file name with a line break in it
// cannot pass for a line of the caller's run, as no name holds a token made after it.
//   #velmo progress SECONDS FRAMES PERCENT   the output made so far
//   #velmo step reading | checking            what the run does while its position stands
//   #velmo step encoding [WxH WxH]            the first input's picture and the output's, where known
//   #velmo renamed PATH                       the output took this free name (-noreplace)
//   #velmo differs INPUT WORDS                an input that a copy join cannot take as it is
//   #velmo cannot-match WORDS                 why the differing inputs cannot be encoded to match
//   #velmo note INPUT WORDS                   what the user should know of one input
// INPUT counts the run's inputs from 0. PATH and WORDS are percent-encoded: every byte
// that is no printable ASCII, the blank and "%" become "%XX", so that no name can end a
// line or add a field of its own.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace encoderlines {

inline constexpr std::string_view Tag = "#velmo ";
// Set in the encoder's environment, to the token, by a caller that reads these lines;
// people who run the encoder by hand read its sentences only.
inline constexpr const char* WantedVariable = "VELMO_TAGGED_LINES";

// A line of these facts, body as the *Line functions below make it.
inline std::string Tagged(std::string_view token, std::string_view body)
{
    return std::string(Tag) + std::string(token) + " " + std::string(body);
}

enum class Kind { Progress, Step, Renamed, Differs, CannotMatch, Note };
enum class Step { Reading, Encoding, Checking };

struct Picture {
    int width = 0;
    int height = 0;
};

// One line read back; only the fields of its kind are set.
struct Line {
    Kind kind = Kind::Note;
    double seconds = 0;
    long frames = 0;
    int percent = 0;
    Step step = Step::Reading;
    Picture from;
    Picture to;
    long input = -1;
    std::string text; // the path or the words, as the encoder had them
};

inline std::string Encoded(std::string_view bytes)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string field;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || byte == '%') {
            field += '%';
            field += Hex[byte >> 4];
            field += Hex[byte & 0xF];
        } else {
            field += c;
        }
    }
    return field;
}

inline std::optional<std::string> Decoded(std::string_view field)
{
    std::string bytes;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field[at] != '%') {
            bytes += field[at];
            continue;
        }
        unsigned value = 0;
        if (at + 2 >= field.size())
            return std::nullopt;
        const auto [end, error] = std::from_chars(field.data() + at + 1, field.data() + at + 3, value, 16);
        if (error != std::errc() || end != field.data() + at + 3)
            return std::nullopt;
        bytes += static_cast<char>(value);
        at += 2;
    }
    return bytes;
}

inline std::string ProgressLine(double seconds, long frames, int percent)
{
    char line[96];
    std::snprintf(line, sizeof line, "progress %.3f %ld %d", seconds, frames, percent);
    return std::string(line) + "\n";
}

inline std::string StepLine(Step step, Picture from = {}, Picture to = {})
{
    const auto size = [](Picture picture) {
        return std::to_string(picture.width) + "x" + std::to_string(picture.height);
    };
    const std::string_view name = step == Step::Reading ? "reading" : step == Step::Checking ? "checking" : "encoding";
    std::string line = "step " + std::string(name);
    if (step == Step::Encoding && from.width > 0 && to.width > 0)
        line += " " + size(from) + " " + size(to);
    return line + "\n";
}

inline std::string RenamedLine(std::string_view path)
{
    return "renamed " + Encoded(path) + "\n";
}

inline std::string DiffersLine(std::size_t input, std::string_view words)
{
    return "differs " + std::to_string(input) + " " + Encoded(words) + "\n";
}

inline std::string CannotMatchLine(std::string_view words)
{
    return "cannot-match " + Encoded(words) + "\n";
}

inline std::string NoteLine(std::size_t input, std::string_view words)
{
    return "note " + std::to_string(input) + " " + Encoded(words) + "\n";
}

namespace detail {

inline std::vector<std::string_view> Fields(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

template <typename Number>
bool Read(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

inline bool ReadPicture(std::string_view text, Picture& picture)
{
    const std::size_t x = text.find('x');
    return x != std::string_view::npos && Read(text.substr(0, x), picture.width)
        && Read(text.substr(x + 1), picture.height);
}

inline bool ReadText(std::string_view field, std::string& text)
{
    const std::optional<std::string> decoded = Decoded(field);
    if (decoded)
        text = *decoded;
    return decoded.has_value();
}

} // namespace detail

// The line's facts; nothing for a line that is not one of these with this token, or not whole.
inline std::optional<Line> ReadLine(std::string_view text, std::string_view token)
{
    using namespace detail;
    const std::string start = Tagged(token, "");
    if (token.empty() || !text.starts_with(start))
        return std::nullopt;
    const std::vector<std::string_view> fields = Fields(text.substr(start.size()));
    const std::string_view kind = fields.front();
    Line line;
    bool whole = false;
    if (kind == "progress" && fields.size() == 4) {
        line.kind = Kind::Progress;
        whole = Read(fields[1], line.seconds) && Read(fields[2], line.frames) && Read(fields[3], line.percent);
    } else if (kind == "step" && fields.size() == 2 && (fields[1] == "reading" || fields[1] == "checking")) {
        line.kind = Kind::Step;
        line.step = fields[1] == "reading" ? Step::Reading : Step::Checking;
        whole = true;
    } else if (kind == "step" && (fields.size() == 2 || fields.size() == 4) && fields[1] == "encoding") {
        line.kind = Kind::Step;
        line.step = Step::Encoding;
        whole = fields.size() == 2 || (ReadPicture(fields[2], line.from) && ReadPicture(fields[3], line.to));
    } else if (kind == "renamed" && fields.size() == 2) {
        line.kind = Kind::Renamed;
        whole = ReadText(fields[1], line.text);
    } else if ((kind == "differs" || kind == "note") && fields.size() == 3) {
        line.kind = kind == "note" ? Kind::Note : Kind::Differs;
        whole = Read(fields[1], line.input) && line.input >= 0 && ReadText(fields[2], line.text);
    } else if (kind == "cannot-match" && fields.size() == 2) {
        line.kind = Kind::CannotMatch;
        whole = ReadText(fields[1], line.text);
    }
    return whole ? std::optional<Line>(line) : std::nullopt;
}

} // namespace encoderlines
