#include "pipeline/JobFolder.h"

#include <QDir>
#include <QFile>

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

QByteArray LockPath(const QString& folder)
{
    return QFile::encodeName(folder + "/" + LockName);
}

// A lock file that another job's clean-up removed between its creation and its lock has
// no links left.
bool StillThere(int fd)
{
    struct stat info {};
    return fstat(fd, &info) == 0 && info.st_nlink > 0;
}

} // namespace

std::unique_ptr<JobFolder> JobFolder::Create(const QString& tempFolder, QString& reason)
{
    RemoveStaleFolders(tempFolder);
    for (int attempt = 0; attempt < 10; ++attempt) {
        QByteArray folder = QFile::encodeName(tempFolder + NamePrefix + "XXXXXX");
        // mkdtemp gives a new name and mode 0700.
        if (!mkdtemp(folder.data())) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            return nullptr;
        }
        const QString path = QFile::decodeName(folder);
        const int fd = open(LockPath(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != ENOENT) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            rmdir(folder.constData());
            return nullptr;
        }
        if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && StillThere(fd))
            return std::unique_ptr<JobFolder>(new JobFolder(path + "/", fd));
        // Another job's clean-up took the new folder for a dead job's in the moment before
        // its lock, and removes it: this job takes a new name.
        if (fd >= 0)
            close(fd);
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
    QDir(m_path).removeRecursively();
    close(m_lockFd);
}

void JobFolder::RemoveStaleFolders(const QString& tempFolder)
{
    const QDir temp(tempFolder);
    const QStringList names =
        temp.entryList({QString(NamePrefix) + "*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& name : names) {
        const QString folder = temp.filePath(name);
        const int fd = open(LockPath(folder).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            // A job that died before its lock file was made left its folder empty; a job that
            // is making its lock file now finds its folder gone and takes another.
            if (errno == ENOENT)
                rmdir(QFile::encodeName(folder).constData());
            continue;
        }
        struct stat info {};
        // Only this user's own job folders, and only while no living job holds their lock.
        if (fstat(fd, &info) == 0 && info.st_uid == getuid() && flock(fd, LOCK_EX | LOCK_NB) == 0)
            QDir(folder).removeRecursively();
        close(fd);
    }
}
