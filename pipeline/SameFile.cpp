#include "pipeline/SameFile.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

bool IsSameFile(const QString& first, const QString& second)
{
    struct stat a {};
    struct stat b {};
    if (stat(QFile::encodeName(first).constData(), &a) != 0 || stat(QFile::encodeName(second).constData(), &b) != 0)
        return false;
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true;
    const QString canonical = QFileInfo(first).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(second).canonicalFilePath();
}

QString FindSameFile(const QString& path, const QStringList& files)
{
    for (const QString& file : files)
        if (IsSameFile(path, file))
            return file;
    return {};
}
