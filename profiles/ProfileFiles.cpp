#include "profiles/ProfileFiles.h"

#include <QDir>

#include <algorithm>

QStringList ListFilesByExt(const QString& folder, const QString& extension)
{
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        const qsizetype dot = name.lastIndexOf('.');
        if (dot >= 0 && name.mid(dot).compare(extension, Qt::CaseInsensitive) == 0)
            names << name;
    }
    // The same order whatever the user's locale.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QString StripExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}
