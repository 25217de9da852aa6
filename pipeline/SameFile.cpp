#include "pipeline/SameFile.h"

#include "core/NameFiles.h"

namespace {

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}

QString FindSameFile(const QString& path, const QStringList& files)
{
    // Usually the output does not exist yet, and then no input can be it: thousands of
    // inputs cost nothing.
    const std::optional<struct stat> wanted = StatOfName(path);
    if (!wanted)
        return {};
    for (const QString& file : files) {
        if (const std::optional<struct stat> status = StatOfName(file); status && SameInode(*wanted, *status))
            return file;
    }
    return {};
}
