#include "pipeline/SameFile.h"

#include <QFile>

#include <optional>

#include <sys/stat.h>

namespace {

std::optional<struct stat> FileStatus(const QString& path)
{
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}

QString FindSameFile(const QString& path, const QStringList& files)
{
    // Usually the output does not exist yet, and then no input can be it: thousands of
    // inputs cost nothing.
    const std::optional<struct stat> wanted = FileStatus(path);
    if (!wanted)
        return {};
    for (const QString& file : files) {
        if (const std::optional<struct stat> status = FileStatus(file); status && SameInode(*wanted, *status))
            return file;
    }
    return {};
}
