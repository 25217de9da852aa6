#include "PieceRecord.h"

#include "PrivateFolder.h"

#include <charconv>
#include <climits>
#include <map>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kFirstLine = "velmo piece record 2";
constexpr std::size_t kMaxRecordBytes = 1 << 16;

std::string Canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The record's name when the piece lies in the job's folder; empty otherwise.
std::string RecordPath(const std::string& piece)
{
    const std::string canonical = Canonical(piece);
    if (canonical.empty() || !LiesInJobFolder(canonical))
        return {};
    return canonical + ".record";
}

// The file's identity: device, inode, size and time of change in nanoseconds.
std::map<std::string, std::string> Identity(const FileIdentity& file)
{
    return {{"piece.device", std::to_string(file.device)},
            {"piece.inode", std::to_string(file.inode)},
            {"piece.size", std::to_string(file.size)},
            {"piece.changed", std::to_string(file.changedNanoseconds)}};
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes)
        hex += {digits[byte >> 4], digits[byte & 15]};
    return hex;
}

std::string Bytes(const std::string& hex)
{
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        unsigned byte = 0;
        std::from_chars(hex.data() + at, hex.data() + at + 2, byte, 16);
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

// The facts as the record's lines name them.
std::map<std::string, std::string> Lines(const MediaFacts& piece)
{
    std::map<std::string, std::string> lines = {{"format", piece.formatName}, {"duration", std::to_string(piece.duration)}};
    for (const auto& [key, value] : piece.tags)
        lines["tag." + key] = value;
    if (const MediaStream* video = piece.Video()) {
        lines["video.codec"] = video->codec;
        lines["video.width"] = std::to_string(video->width);
        lines["video.height"] = std::to_string(video->height);
        lines["video.pixelAspect"] = video->pixelAspect.Text();
        lines["video.pixelFormat"] = video->pixelFormat;
        lines["video.colourTransfer"] = video->colourTransfer;
        lines["video.frameRate"] = video->frameRate.Text();
        lines["video.headers"] = Hex(video->headers);
    }
    if (const MediaStream* audio = piece.Audio()) {
        lines["audio.codec"] = audio->codec;
        lines["audio.sampleRate"] = std::to_string(audio->sampleRate);
        lines["audio.channels"] = std::to_string(audio->channels);
        // The join maps each sound track's tags, and so counts them.
        lines["audio.tracks"] = std::to_string(std::count_if(
            piece.streams.begin(), piece.streams.end(), [](const MediaStream& s) { return s.kind == StreamKind::Audio; }));
    }
    return lines;
}

int Number(const std::map<std::string, std::string>& lines, const std::string& key)
{
    const auto found = lines.find(key);
    return found == lines.end() ? 0 : std::atoi(found->second.c_str());
}

MediaStream StreamOf(int index, StreamKind kind, const std::string& codec)
{
    MediaStream stream;
    stream.index = index;
    stream.kind = kind;
    stream.codec = codec;
    return stream;
}

// The facts that the record's lines give back.
MediaFacts FactsOf(std::map<std::string, std::string>& lines)
{
    MediaFacts piece;
    piece.formatName = lines["format"];
    piece.duration = std::atof(lines["duration"].c_str());
    for (const auto& [key, value] : lines)
        if (key.starts_with("tag."))
            piece.tags[key.substr(4)] = value;
    MediaStream video = StreamOf(0, StreamKind::Video, lines["video.codec"]);
    video.width = Number(lines, "video.width");
    video.height = Number(lines, "video.height");
    video.pixelAspect = ParseFraction(lines["video.pixelAspect"]);
    video.pixelFormat = lines["video.pixelFormat"];
    video.colourTransfer = lines["video.colourTransfer"];
    video.frameRate = ParseFraction(lines["video.frameRate"]);
    video.headers = Bytes(lines["video.headers"]);
    piece.streams.push_back(video);
    piece.video = 0;
    if (lines.count("audio.codec")) {
        MediaStream audio = StreamOf(1, StreamKind::Audio, lines["audio.codec"]);
        audio.sampleRate = Number(lines, "audio.sampleRate");
        audio.channels = Number(lines, "audio.channels");
        for (int track = 0; track < std::max(Number(lines, "audio.tracks"), 1); ++track) {
            audio.index = 1 + track;
            piece.streams.push_back(audio);
        }
        piece.audio = 1;
    }
    return piece;
}

std::optional<std::map<std::string, std::string>> ReadRecord(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::string text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()
        && static_cast<std::size_t>(info.st_size) <= kMaxRecordBytes) {
        text.resize(static_cast<std::size_t>(info.st_size));
        if (read(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            text.clear();
    }
    close(fd);
    if (!text.starts_with(std::string(kFirstLine) + "\n"))
        return std::nullopt;
    std::map<std::string, std::string> values;
    std::size_t start = text.find('\n') + 1;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::optional<StreamFacts> RecordedPiece(const std::string& path)
{
    auto media = RecordedFacts(path);
    if (!media)
        return std::nullopt;
    StreamFacts facts;
    facts.file.path = path;
    facts.file.size = media->identity.size;
    facts.file.changedNanoseconds = media->identity.changedNanoseconds;
    facts.file.device = media->identity.device;
    facts.file.inode = media->identity.inode;
    facts.duration = media->duration;
    facts.video = media->video;
    facts.audio = media->audio;
    facts.media = std::move(*media);
    return facts;
}

} // namespace

std::optional<MediaFacts> RecordedFacts(const std::string& path)
{
    const std::string recordPath = RecordPath(path);
    struct stat file {};
    if (recordPath.empty() || stat(path.c_str(), &file) != 0)
        return std::nullopt;
    auto lines = ReadRecord(recordPath);
    if (!lines)
        return std::nullopt;
    const FileIdentity identity = FileIdentity::Of(file);
    for (const auto& [key, value] : Identity(identity)) {
        const auto recorded = lines->find(key);
        if (recorded == lines->end() || recorded->second != value)
            return std::nullopt;
    }
    MediaFacts facts = FactsOf(*lines);
    facts.path = path;
    facts.identity = identity;
    return facts;
}

void WritePieceRecord(const std::string& path, const MediaFacts& piece)
{
    const std::string recordPath = RecordPath(path);
    struct stat file {};
    if (recordPath.empty() || stat(path.c_str(), &file) != 0)
        return;
    std::string text = std::string(kFirstLine) + "\n";
    std::map<std::string, std::string> all = Lines(piece);
    all.merge(Identity(FileIdentity::Of(file)));
    for (const auto& [key, value] : all) {
        // One line each: a value that would break a line is no fact of a piece of ours.
        if (key.find_first_of("=\n") != std::string::npos || value.find('\n') != std::string::npos)
            return;
        text += key + "=" + value + "\n";
    }
    std::string temporary = recordPath + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0 || !written || std::rename(temporary.c_str(), recordPath.c_str()) != 0)
        unlink(temporary.c_str());
}

std::vector<StreamFacts> RecordedPieces(const std::vector<std::string>& paths)
{
    std::vector<StreamFacts> pieces;
    for (const std::string& path : paths) {
        auto piece = RecordedPiece(path);
        if (!piece)
            return {};
        pieces.push_back(std::move(*piece));
    }
    return pieces;
}
