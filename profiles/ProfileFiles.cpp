#include "profiles/ProfileFiles.h"

#include "core/PathRules.h"

#include <QDir>

#include <algorithm>

QStringList ListFilesByExt(const QString& folder, const QString& extension)
{
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        if (HasExtension(entry.fileName(), extension))
            names << entry.fileName();
    }
    std::sort(names.begin(), names.end(), NameLessThan);
    return names;
}
