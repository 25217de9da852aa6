#include "tasks/CommandLineFiles.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"

namespace {

// Each line a name, kept byte for byte: a list written by another program names files
// as the file system holds them.
QStringList ReadListFile(const QString& path)
{
    std::optional<QByteArray> text = ReadFileOfName(path);
    if (!text || text->isEmpty())
        return {};
    if (text->startsWith("\xEF\xBB\xBF"))
        text->remove(0, 3);
    if (text->endsWith('\n'))
        text->chop(1);
    QStringList lines;
    for (QByteArray& line : text->split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines << NameFromBytes(line);
    }
    return lines;
}

}

bool NamesListFile(const QStringList& arguments)
{
    return !arguments.isEmpty() && HasExtension(arguments.first(), ".tmp");
}

QStringList CommandLinePaths(const QStringList& arguments)
{
    if (NamesListFile(arguments))
        return ReadListFile(arguments.first());
    return arguments;
}
