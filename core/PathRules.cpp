#include "core/PathRules.h"

QString LastExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

bool HasExtension(const QString& path, const QString& extension)
{
    const QString own = LastExtension(path);
    return !own.isEmpty() && own.compare(extension, Qt::CaseInsensitive) == 0;
}

QString StripExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString FolderOf(const QString& path)
{
    const qsizetype separator = path.lastIndexOf('/');
    if (separator < 0)
        return {};
    return separator == 0 ? QStringLiteral("/") : path.left(separator);
}

QString AddTrailingBackslash(const QString& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

bool NameLessThan(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}
