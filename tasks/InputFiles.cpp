#include "tasks/InputFiles.h"

#include "core/PathRules.h"

const QStringList& InputExtensions()
{
    static const QStringList extensions{".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".mov", ".vob", ".asf"};
    return extensions;
}

const QString& InputFileMask()
{
    static const QString mask = [] {
        QString text;
        for (const QString& extension : InputExtensions())
            text += '*' + extension + ';';
        return text;
    }();
    return mask;
}

bool IsSupportedInput(const QString& path)
{
    const QString extension = LastExtension(path);
    return !extension.isEmpty() && InputExtensions().contains(extension.toLower());
}
