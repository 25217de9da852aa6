#include "TempOutput.h"

#include "Encoding.h"
#include "JobError.h"
#include "UsageError.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void FolderProblem(const std::string& folder, const std::string& finalPath, int error)
{
    if (error == ENOENT || error == ENOTDIR)
        throw JobError("Output folder does not exist: " + folder);
    if (error == EACCES || error == EPERM || error == EROFS)
        throw JobError("Output folder is not writable: " + folder);
    if (error == ENOSPC || error == EDQUOT)
        throw JobError("No room left on the disk for the output file: " + finalPath);
    throw JobError("Cannot write the output file " + finalPath + ": " + std::strerror(error));
}

std::string HiddenName(const std::string& finalPath)
{
    const std::size_t slash = finalPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(getpid()) + ".part";
}

// The file a path names once symbolic links are followed; the path itself when it is none.
std::string FollowLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0)
            break;
        const std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' || path.find('/') == std::string::npos ? next : FolderOf(path) + "/" + next;
    }
    return path;
}

// The process id in ".NAME.PID.part" when NAME is a file this program writes.
std::optional<pid_t> PartOwner(const std::string& entry)
{
    constexpr std::string_view suffix = ".part";
    if (entry.size() < 2 + suffix.size() || entry.front() != '.' || !entry.ends_with(suffix))
        return std::nullopt;
    const std::string stem = entry.substr(1, entry.size() - 1 - suffix.size());
    const std::size_t dot = stem.find_last_of('.');
    pid_t pid = 0;
    const char* end = stem.data() + stem.size();
    if (dot == std::string::npos || std::from_chars(stem.data() + dot + 1, end, pid).ptr != end || pid <= 0)
        return std::nullopt;
    try {
        ContainerForPath(stem.substr(0, dot));
    } catch (const UsageError&) {
        return std::nullopt;
    }
    return pid;
}

} // namespace

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// A file without a name in the folder, or -1 where the file system cannot make one.
int OpenUnnamed(const std::string& folder, const std::string& finalPath)
{
    const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        FolderProblem(folder, finalPath, errno);
    return fd;
}

} // namespace

void RemoveStaleParts(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const auto owner = PartOwner(entry->d_name);
        if (owner && *owner != getpid() && kill(*owner, 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

void CheckOutputPlace(const std::string& outputPath)
{
    const std::string target = FollowLinks(outputPath);
    struct stat info {};
    if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw JobError("The output path is a folder, not a file: " + outputPath);
    const std::string folder = FolderOf(target);
    if (stat(folder.c_str(), &info) != 0)
        FolderProblem(folder, target, errno);
    if (!S_ISDIR(info.st_mode))
        FolderProblem(folder, target, ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        FolderProblem(folder, target, errno);
}

TempOutput::TempOutput(const std::string& outputPath) : final_(FollowLinks(outputPath))
{
    CheckOutputPlace(outputPath);
    struct stat info {};
    const bool replacing = stat(final_.c_str(), &info) == 0;
    const std::string folder = FolderOf(final_);
    RemoveStaleParts(folder);
    fd_ = OpenUnnamed(folder, final_);
    if (fd_ < 0) {
        named_ = HiddenName(final_);
        const int fd = open(named_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            named_.clear();
            FolderProblem(folder, final_, error);
        }
        fd_ = fd;
    }
    if (replacing) {
        // Best effort: only root may give the file another owner.
        [[maybe_unused]] const int owned = fchown(fd_, info.st_uid, info.st_gid);
        fchmod(fd_, info.st_mode & 07777);
    }
    if (!named_.empty()) {
        close(fd_);
        fd_ = -1;
    }
}

TempOutput::~TempOutput()
{
    if (fd_ >= 0)
        close(fd_);
    if (!committed_ && !named_.empty())
        unlink(named_.c_str());
}

std::string TempOutput::pathForChild(int childFd) const
{
    return fd_ >= 0 ? ChildFdPath(childFd) : named_;
}

std::string ChildFdPath(int childFd)
{
    return "/proc/self/fd/" + std::to_string(childFd);
}

void TempOutput::Commit()
{
    if (fd_ >= 0) {
        // An unnamed file gets a name by linking it; rename then replaces any older output at once.
        named_ = HiddenName(final_);
        unlink(named_.c_str());
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            named_.clear();
            FolderProblem(FolderOf(final_), final_, error);
        }
    }
    if (std::rename(named_.c_str(), final_.c_str()) != 0)
        FolderProblem(FolderOf(final_), final_, errno);
    committed_ = true;
}
