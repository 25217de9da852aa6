#include "tasks/InputFiles.h"

#include <QFileInfo>

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
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot >= 0 && InputExtensions().contains(name.mid(dot).toLower());
}
