#include "pipeline/JobFolder.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"

#include <QRegularExpression>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lock is taken on a file that can be opened for writing: on network file systems
// an exclusive lock needs that.
constexpr const char* LockName = ".lock";
// What a job writes into its lock file once it holds the lock: a folder whose lock file
// says anything else is not a job's, whatever its name.
constexpr char Mark[] = "Velmo AVI Video Joiner job folder\n";

QByteArray LockPath(const QString& folder)
{
    return NameBytes(folder + "/" + LockName);
}

// A lock file that another job's clean-up removed between its creation and its lock has
// no links left.
bool StillThere(int fd)
{
    struct stat info {};
    return fstat(fd, &info) == 0 && info.st_nlink > 0;
}

bool HoldsMark(int fd)
{
    char text[sizeof Mark] = {};
    return pread(fd, text, sizeof text, 0) == static_cast<ssize_t>(sizeof Mark - 1)
        && std::memcmp(text, Mark, sizeof Mark - 1) == 0;
}

// The names a job and the encoder runs it starts write in its folder: the lock, the
// converted files "N.avi" and "N.mkv", the loudness measured beside them
// "N.avi.loudness", the record beside a converted file "N.mkv.record" or
// "N.avi.record" (first written as "N.mkv.record.XXXXXX"), and the hidden ".N.avi.RANDOM.part" the encoder writes them as
// where the file system has no unnamed files.
bool IsJobFileName(const QString& name)
{
    static const QRegularExpression known(
        "^(\\.lock|[0-9]+\\.(avi|mkv)(\\.loudness|\\.record(\\.[A-Za-z0-9]{6})?)?|\\.[0-9]+\\.(avi|mkv)\\.[0-9a-f]{16}\\.part)$");
    return known.match(name).hasMatch();
}

// The encoder's runs keep their own files in a folder "velmo-join-XXXXXX" inside the job's
// folder (their TMPDIR): numbered files and links to the inputs whose names a list cannot hold.
bool IsEncoderFolderName(const QString& name)
{
    static const QRegularExpression known("^velmo-join-[A-Za-z0-9]{6}$");
    return known.match(name).hasMatch();
}

bool IsEncoderFileName(const QString& name)
{
    static const QRegularExpression known("^[0-9]+(\\.[A-Za-z0-9]{1,7})?$");
    return known.match(name).hasMatch();
}

bool IsOwnEntry(int dirFd, const QString& name, bool (*knownName)(const QString&), mode_t type)
{
    struct stat info {};
    return knownName(name) && fstatat(dirFd, NameBytes(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
        && (info.st_mode & S_IFMT) == type && info.st_uid == getuid();
}

// Removes an encoder's folder of a dead job when it holds only the encoder's files and
// links (a link goes, never what it names); true when it is gone.
bool RemoveEncoderFolder(int jobFd, const QString& jobFolder, const QString& name)
{
    const int dirFd = openat(jobFd, NameBytes(name).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    const QStringList names = EntryNames(jobFolder + "/" + name);
    const bool onlyOwn = std::all_of(names.begin(), names.end(), [dirFd](const QString& entry) {
        return IsOwnEntry(dirFd, entry, IsEncoderFileName, S_IFREG) || IsOwnEntry(dirFd, entry, IsEncoderFileName, S_IFLNK);
    });
    if (onlyOwn) {
        for (const QString& entry : names)
            unlinkat(dirFd, NameBytes(entry).constData(), 0);
    }
    close(dirFd);
    return onlyOwn && unlinkat(jobFd, NameBytes(name).constData(), AT_REMOVEDIR) == 0;
}

// Removes the folder of a dead job, whose lock the caller holds: its own files one by one,
// then the folder. Anything else in it keeps it whole.
void RemoveDeadJobFolder(const QString& folder)
{
    const QByteArray path = NameBytes(folder);
    const int dirFd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return;
    QStringList names = EntryNames(folder);
    const bool onlyOwn = std::all_of(names.begin(), names.end(), [&](const QString& name) {
        return IsOwnEntry(dirFd, name, IsJobFileName, S_IFREG)
            || (IsOwnEntry(dirFd, name, IsEncoderFolderName, S_IFDIR) && RemoveEncoderFolder(dirFd, folder, name));
    });
    if (onlyOwn) {
        // The lock file goes last, so that a clean-up that stops half-way is done by the next.
        for (const QString& name : names) {
            if (name != LockName && IsJobFileName(name))
                unlinkat(dirFd, NameBytes(name).constData(), 0);
        }
        unlinkat(dirFd, LockName, 0);
        rmdir(path.constData());
    }
    close(dirFd);
}

} // namespace

std::unique_ptr<JobFolder> JobFolder::Create(const QString& tempFolder, QString& reason)
{
    RemoveStaleFolders(tempFolder);
    for (int attempt = 0; attempt < 10; ++attempt) {
        QByteArray folder = NameBytes(tempFolder + NamePrefix + "XXXXXX");
        // mkdtemp gives a new name and mode 0700.
        if (!mkdtemp(folder.data())) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            return nullptr;
        }
        const QString path = NameFromBytes(folder);
        const int fd = open(LockPath(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            rmdir(folder.constData());
            return nullptr;
        }
        // The mark is written only with the lock in hand: a clean-up that meets a lock file
        // without it leaves the folder alone.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && StillThere(fd)
            && write(fd, Mark, sizeof Mark - 1) == static_cast<ssize_t>(sizeof Mark - 1))
            return std::unique_ptr<JobFolder>(new JobFolder(path + "/", fd));
        close(fd);
        unlink(LockPath(path).constData());
        rmdir(folder.constData());
    }
    reason = "no folder of its own could be locked there";
    return nullptr;
}

JobFolder::JobFolder(QString path, int lockFd)
    : m_path(std::move(path))
    , m_lockFd(lockFd)
{
}

JobFolder::~JobFolder()
{
    RemoveTree(m_path);
    close(m_lockFd);
}

void JobFolder::RemoveStaleFolders(const QString& tempFolder)
{
    for (const QString& name : EntryNames(tempFolder)) {
        if (!name.startsWith(NamePrefix))
            continue;
        const QString folder = AddTrailingBackslash(tempFolder) + name;
        struct stat own {};
        if (lstat(NameBytes(folder).constData(), &own) != 0 || !S_ISDIR(own.st_mode) || own.st_uid != getuid())
            continue;
        // A folder without a lock file is left: nothing says a job made it.
        const int fd = open(LockPath(folder).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        // Only this user's own job folders, marked by their job, and only while no living job
        // holds their lock.
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid()
            && flock(fd, LOCK_EX | LOCK_NB) == 0 && HoldsMark(fd))
            RemoveDeadJobFolder(folder);
        close(fd);
    }
}
