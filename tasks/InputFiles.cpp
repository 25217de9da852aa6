#include "tasks/InputFiles.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"
#include "tasks/NaturalOrder.h"

#include <algorithm>

#include <dirent.h>

const QStringList& InputExtensions()
{
    static const QStringList extensions{".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".mov", ".vob", ".asf"};
    return extensions;
}

const QStringList& FurtherInputExtensions()
{
    // .divx files are AVI, .dat files (video CDs) MPEG program streams.
    static const QStringList extensions{".mkv", ".webm", ".ts",  ".mts",  ".m2ts", ".m4v",
                                        ".3gp", ".flv",  ".ogv", ".divx", ".dat"};
    return extensions;
}

const QString& InputFileMask()
{
    static const QString mask = [] {
        QString text;
        for (const QString& extension : InputExtensions() + FurtherInputExtensions())
            text += '*' + extension + ';';
        return text;
    }();
    return mask;
}

bool IsSupportedInput(const QString& path)
{
    const QString extension = LastExtension(path).toLower();
    return !extension.isEmpty()
        && (InputExtensions().contains(extension) || FurtherInputExtensions().contains(extension));
}

QString WhyNotARegularFile(const QString& path)
{
    const std::optional<struct stat> info = StatOfName(path);
    if (!info || S_ISREG(info->st_mode))
        return {};
    if (S_ISFIFO(info->st_mode))
        return QStringLiteral("a named pipe, not a file");
    if (S_ISSOCK(info->st_mode))
        return QStringLiteral("a socket, not a file");
    if (S_ISDIR(info->st_mode))
        return QStringLiteral("a folder, not a file");
    return QStringLiteral("a device, not a file");
}

QStringList FolderInputFiles(const QString& folder)
{
    const QString prefix = AddTrailingBackslash(folder);
    QStringList names;
    for (const FolderEntry& entry : FolderEntries(folder)) {
        if (entry.name.startsWith('.') || !IsSupportedInput(entry.name) || entry.type == DT_DIR)
            continue;
        // A pipe, a device or a link to nothing is listed too, to be refused by name; only
        // a link, or an entry of a file system that does not give types, may be a folder.
        if (entry.type == DT_LNK || entry.type == DT_UNKNOWN) {
            const std::optional<struct stat> info = StatOfName(prefix + entry.name);
            if (info && S_ISDIR(info->st_mode))
                continue;
        }
        names << entry.name;
    }
    std::sort(names.begin(), names.end(), NaturalLessThan);
    for (QString& name : names)
        name.prepend(prefix);
    return names;
}
