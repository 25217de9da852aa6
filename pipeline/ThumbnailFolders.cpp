#include "pipeline/ThumbnailFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral("velmo-joiner-thumbnails-");

// The process id in a folder's name, or 0 when the name has none.
pid_t OwnerOf(const QString& name)
{
    const QString rest = name.mid(Prefix.size());
    bool number = false;
    const qint64 pid = rest.left(rest.indexOf('-')).toLongLong(&number);
    return number && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

bool Ended(pid_t pid)
{
    return kill(pid, 0) != 0 && errno == ESRCH;
}

}

QString ThumbnailFolderPattern(const QString& tempFolder)
{
    return tempFolder + '/' + Prefix + QString::number(QCoreApplication::applicationPid()) + "-XXXXXX";
}

void RemoveLeftThumbnailFolders(const QString& tempFolder)
{
    const QFileInfoList folders =
        QDir(tempFolder).entryInfoList({Prefix + "*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& folder : folders) {
        const pid_t owner = OwnerOf(folder.fileName());
        // The temp folder is shared: only our own folders, of processes that are gone.
        if (owner != 0 && folder.ownerId() == getuid() && Ended(owner))
            QDir(folder.filePath()).removeRecursively();
    }
}
