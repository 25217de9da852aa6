#include "tasks/CommandLineFiles.h"

#include "core/PathRules.h"

#include <QFile>
#include <QTextStream>

namespace {

QStringList ReadListFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    QTextStream stream(&file);
    QString line;
    while (stream.readLineInto(&line))
        lines << line;
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
