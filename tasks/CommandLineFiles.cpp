#include "tasks/CommandLineFiles.h"

#include "core/PathRules.h"

#include <QFile>
#include <QTextStream>

namespace {

bool IsListFile(const QString& argument)
{
    return HasExtension(argument, ".tmp");
}

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

QStringList CommandLinePaths(const QStringList& arguments)
{
    if (!arguments.isEmpty() && IsListFile(arguments.first()))
        return ReadListFile(arguments.first());
    return arguments;
}
