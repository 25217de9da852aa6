#include "tasks/InputFiles.h"

#include "core/PathRules.h"

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
