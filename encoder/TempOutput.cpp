#include "TempOutput.h"

#include "JobError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

std::string HiddenName(const std::string& finalPath, const std::string& kind = "part")
{
    const std::size_t slash = finalPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(getpid()) + "." + kind;
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

TempOutput::TempOutput(const std::string& finalPath) : final_(finalPath)
{
    struct stat info {};
    if (stat(finalPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw JobError("The output path is a folder, not a file: " + finalPath);
    const std::string folder = FolderOf(finalPath);
    fd_ = OpenUnnamed(folder, finalPath);
    if (fd_ >= 0)
        return;
    named_ = HiddenName(finalPath);
    const int fd = open(named_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        named_.clear();
        FolderProblem(folder, finalPath, error);
    }
    close(fd);
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

PartFile::PartFile(const std::string& finalPath)
{
    const std::string folder = FolderOf(finalPath);
    fd_ = OpenUnnamed(folder, finalPath);
    if (fd_ >= 0)
        return;
    static int count = 0;
    const std::string named = HiddenName(finalPath, "part" + std::to_string(++count));
    fd_ = open(named.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0)
        FolderProblem(folder, finalPath, errno);
    unlink(named.c_str());
}

PartFile::~PartFile()
{
    close(fd_);
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
