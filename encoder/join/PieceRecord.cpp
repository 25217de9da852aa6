#include "PieceRecord.h"

#include "PrivateFolder.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kFirstLine = "velmo piece record 1";
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
std::map<std::string, std::string> Identity(const struct stat& file)
{
    return {{"piece.device", std::to_string(file.st_dev)},
            {"piece.inode", std::to_string(file.st_ino)},
            {"piece.size", std::to_string(file.st_size)},
            {"piece.changed", std::to_string(static_cast<long long>(file.st_mtim.tv_sec) * 1000000000LL
                                             + file.st_mtim.tv_nsec)}};
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
    struct stat file {};
    auto values = RecordedFacts(path);
    if (values.empty() || stat(path.c_str(), &file) != 0)
        return std::nullopt;
    StreamFacts facts;
    facts.file.path = path;
    facts.file.size = file.st_size;
    facts.file.changedNanoseconds = std::atoll(values["piece.changed"].c_str());
    facts.duration = std::atof(values["format.duration"].c_str());
    facts.values = std::move(values);
    facts.video = 0;
    facts.audio = facts.values.count("streams.stream.1.codec_type") ? 1 : -1;
    return facts;
}

} // namespace

std::map<std::string, std::string> RecordedFacts(const std::string& path)
{
    const std::string recordPath = RecordPath(path);
    struct stat file {};
    if (recordPath.empty() || stat(path.c_str(), &file) != 0)
        return {};
    auto values = ReadRecord(recordPath);
    if (!values)
        return {};
    for (const auto& [key, value] : Identity(file)) {
        const auto recorded = values->find(key);
        if (recorded == values->end() || recorded->second != value)
            return {};
    }
    return std::move(*values);
}

void WritePieceRecord(const std::string& path, const std::map<std::string, std::string>& values)
{
    const std::string recordPath = RecordPath(path);
    struct stat file {};
    if (recordPath.empty() || stat(path.c_str(), &file) != 0)
        return;
    std::string text = std::string(kFirstLine) + "\n";
    std::map<std::string, std::string> all = values;
    all.merge(Identity(file));
    for (const auto& [key, value] : all) {
        // One line each: a value that would break a line is no fact of a piece of ours.
        if (value.find('\n') != std::string::npos)
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
