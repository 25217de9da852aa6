#include "TempOutput.h"

#include "Console.h"
#include "Progress.h"
#include "InputProbe.h"
#include "JobError.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
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

// The user's name, or the number where it has none.
std::string UserName(uid_t uid)
{
    passwd entry {};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

// The file an output path names: the path itself, or for a symbolic link the file the
// kernel reaches through it for this user. Only a link of this user or of root is
// followed, in any folder, as the kernel's protection of shared sticky folders does there:
// another user's link could aim this user's rights (root's above all) at a file its owner
// may not write. A link to nothing is refused too, so that no link ever makes the program
// write somewhere the user did not name.
std::string FollowedOutput(const std::string& path)
{
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    if (link.st_uid != geteuid() && link.st_uid != 0)
        throw JobError("The output file is a symbolic link of another user (" + UserName(link.st_uid)
                       + "), which is not followed: " + path);
    // The kernel follows the link, with its own checks; the path it reached is read back.
    const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        throw JobError("The output file is a symbolic link to a file that does not exist: " + path);
    if (fd < 0)
        throw JobError("The output file is a symbolic link that cannot be followed: " + path + ": "
                       + std::strerror(errno));
    char target[PATH_MAX];
    const ssize_t length = readlink(ChildFdPath(fd).c_str(), target, sizeof target - 1);
    close(fd);
    if (length <= 0)
        throw JobError("The output file is a symbolic link that cannot be followed: " + path);
    return std::string(target, static_cast<std::size_t>(length));
}

// The file the output is written to: its own name when existing files are kept (a link
// there is a taken name like any other), else the file it names, links followed.
std::string WrittenPath(const OutputName& output)
{
    const std::string followed = FollowedOutput(output);
    return output.keepExisting ? std::string(output) : followed;
}

} // namespace

void CheckOutputPlace(const OutputName& output)
{
    const std::string target = WrittenPath(output);
    struct stat info {};
    if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw JobError("The output path is a folder, not a file: " + output);
    // Only a regular file is replaced; a kept one is never touched.
    if (!output.keepExisting && stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw JobError("The output path is not a regular file: " + output);
    const std::string folder = FolderOf(target);
    if (stat(folder.c_str(), &info) != 0)
        FolderProblem(folder, target, errno);
    if (!S_ISDIR(info.st_mode))
        FolderProblem(folder, target, ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        FolderProblem(folder, target, errno);
}

namespace {

// The name numbered `number` in the row an output takes when its name is taken:
// "out.avi" gives "out_1.avi", "out_2.avi", ...
std::string NumberedName(const std::string& path, int number)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    const std::size_t stemEnd = dot == std::string::npos || dot < nameStart ? path.size() : dot;
    return path.substr(0, stemEnd) + "_" + std::to_string(number) + path.substr(stemEnd);
}

// Makes a new hidden part file; gives its fd and sets name.
int CreatePart(const std::string& finalPath, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = HiddenName(finalPath);
        const int fd = open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        const int error = errno;
        name.clear();
        if (error != EEXIST)
            FolderProblem(FolderOf(finalPath), finalPath, error);
    }
    throw JobError("Cannot keep a part file beside the output file " + finalPath);
}

} // namespace

TempOutput::TempOutput(const OutputName& output) : final_(WrittenPath(output)), keepExisting_(output.keepExisting)
{
    CheckOutputPlace(output);
    struct stat info {};
    const bool replacing = !keepExisting_ && stat(final_.c_str(), &info) == 0;
    const std::string folder = FolderOf(final_);
    fd_ = OpenUnnamed(folder, final_);
    unnamed_ = fd_ >= 0;
    if (!unnamed_)
        fd_ = CreatePart(final_, named_);
    if (replacing) {
        // Best effort: only root may give the file another owner.
        [[maybe_unused]] const int owned = fchown(fd_, info.st_uid, info.st_gid);
        fchmod(fd_, info.st_mode & 07777);
    }
}

TempOutput::~TempOutput()
{
    if (!committed_ && !named_.empty())
        unlink(named_.c_str());
    close(fd_);
}

std::string TempOutput::pathForChild(int childFd) const
{
    return unnamed_ ? ChildFdPath(childFd) : FileUrl(named_);
}

std::string TempOutput::pathForSelf() const
{
    return unnamed_ ? "/proc/self/fd/" + std::to_string(fd_) : named_;
}

std::string ChildFdPath(int childFd)
{
    return "/proc/self/fd/" + std::to_string(childFd);
}

bool TempOutput::TakeFreeName(const std::string& path)
{
    // linkat and renameat2 without replacing are one step each: of two runs after one name,
    // one gets it and the other EEXIST.
    if (unnamed_) {
        if (linkat(AT_FDCWD, ChildFdPath(fd_).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
    } else if (renameat2(AT_FDCWD, named_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    } else if (errno == EINVAL || errno == ENOSYS) {
        // A file system without it: a new empty file claims the name, and only that is replaced.
        const int claim = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (claim >= 0) {
            close(claim);
            if (std::rename(named_.c_str(), path.c_str()) == 0)
                return true;
            const int error = errno;
            unlink(path.c_str());
            FolderProblem(FolderOf(path), path, error);
        }
    }
    if (errno != EEXIST)
        FolderProblem(FolderOf(path), path, errno);
    return false;
}

std::string TempOutput::Commit()
{
    if (keepExisting_) {
        std::string taken = final_;
        int number = 0;
        while (!TakeFreeName(taken))
            taken = NumberedName(final_, ++number);
        committed_ = true;
        if (number > 0) {
            WriteOut("\nOutput renamed to _" + std::to_string(number) + ": " + taken.substr(taken.find_last_of('/') + 1)
                     + "\n");
            Tell(encoderlines::RenamedLine(taken));
        }
        return taken;
    }
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
    return final_;
}
