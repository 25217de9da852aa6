#include "TempOutput.h"

#include "Encoding.h"
#include "InputProbe.h"
#include "JobError.h"
#include "UsageError.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/random.h>
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
        throw JobError("No space left on device for the output file: " + finalPath);
    throw JobError("Cannot write the output file " + finalPath + ": " + std::strerror(error));
}

// A hidden name beside the output that no other run picks: 64 random bits.
std::string HiddenName(const std::string& finalPath)
{
    std::uint64_t token = 0;
    if (getrandom(&token, sizeof token, 0) != static_cast<ssize_t>(sizeof token))
        token = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^ getpid();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(token));
    const std::size_t slash = finalPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    return folder + "." + name + "." + hex + ".part";
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

// True for ".NAME.RANDOM.part" when NAME is a file this program writes.
bool IsPartName(const std::string& entry)
{
    constexpr std::string_view suffix = ".part";
    constexpr std::size_t kTokenLength = 16;
    if (entry.size() < 2 + kTokenLength + 1 + suffix.size() || entry.front() != '.' || !entry.ends_with(suffix))
        return false;
    const std::string stem = entry.substr(1, entry.size() - 1 - suffix.size());
    const std::size_t dot = stem.size() - kTokenLength - 1;
    if (stem[dot] != '.'
        || stem.find_first_not_of("0123456789abcdef", dot + 1) != std::string::npos)
        return false;
    try {
        ContainerForPath(stem.substr(0, dot));
    } catch (const UsageError&) {
        return false;
    }
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
        if (!IsPartName(entry->d_name))
            continue;
        // Read and write: on NFS an exclusive lock needs a file open for writing.
        const int fd = openat(dirfd(dir), entry->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held {};
        struct stat named {};
        // Still the file that was locked: a name is removed only with its own lock in hand.
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid()
            && flock(fd, LOCK_EX | LOCK_NB) == 0
            && fstatat(dirfd(dir), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(held, named))
            unlinkat(dirfd(dir), entry->d_name, 0);
        close(fd);
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

namespace {

// Makes a new hidden part file and locks it; gives its fd and sets name.
int CreateLockedPart(const std::string& finalPath, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = HiddenName(finalPath);
        const int fd = open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            name.clear();
            if (error == EEXIST)
                continue;
            FolderProblem(FolderOf(finalPath), finalPath, error);
        }
        // Between its making and its lock another run may have found it unlocked and
        // removed it: then another name is made. Where the file system has no locks,
        // no other run can take one either, and the file is left to this run.
        flock(fd, LOCK_EX);
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(name.c_str(), &named) == 0 && SameFile(held, named))
            return fd;
        close(fd);
    }
    name.clear();
    throw JobError("Cannot keep a part file beside the output file " + finalPath);
}

} // namespace

TempOutput::TempOutput(const std::string& outputPath) : final_(FollowLinks(outputPath))
{
    CheckOutputPlace(outputPath);
    struct stat info {};
    const bool replacing = stat(final_.c_str(), &info) == 0;
    const std::string folder = FolderOf(final_);
    RemoveStaleParts(folder);
    fd_ = OpenUnnamed(folder, final_);
    unnamed_ = fd_ >= 0;
    if (unnamed_)
        flock(fd_, LOCK_EX);
    else
        fd_ = CreateLockedPart(final_, named_);
    if (replacing) {
        // Best effort: only root may give the file another owner.
        [[maybe_unused]] const int owned = fchown(fd_, info.st_uid, info.st_gid);
        fchmod(fd_, info.st_mode & 07777);
    }
}

TempOutput::~TempOutput()
{
    // The name goes while the lock is still held, so that no other run meets it unlocked.
    if (!committed_ && !named_.empty())
        unlink(named_.c_str());
    close(fd_);
}

std::string TempOutput::pathForChild(int childFd) const
{
    return unnamed_ ? ChildFdPath(childFd) : FileUrl(named_);
}

std::string ChildFdPath(int childFd)
{
    return "/proc/self/fd/" + std::to_string(childFd);
}

void TempOutput::Commit()
{
    if (unnamed_) {
        // An unnamed file gets a name by linking it; rename then replaces any older output at once.
        const std::string self = ChildFdPath(fd_);
        for (;;) {
            named_ = HiddenName(final_);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named_.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            const int error = errno;
            named_.clear();
            if (error != EEXIST)
                FolderProblem(FolderOf(final_), final_, error);
        }
    }
    if (std::rename(named_.c_str(), final_.c_str()) != 0)
        FolderProblem(FolderOf(final_), final_, errno);
    committed_ = true;
}
