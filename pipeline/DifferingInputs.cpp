#include "pipeline/DifferingInputs.h"

#include <QFileInfo>
#include <QRegularExpression>

DifferingInputs ReadDifferingInputs(const QStringList& encoderLines, const QStringList& inputs)
{
    static const QRegularExpression differs("^Input (\\d+) differs: (.+)$");
    static const QString cannot = "Cannot encode only these: ";
    DifferingInputs read;
    for (const QString& line : encoderLines) {
        if (line.startsWith(cannot)) {
            read.cannotMatch = line.mid(cannot.size());
            continue;
        }
        const QRegularExpressionMatch match = differs.match(line);
        const qsizetype index = match.hasMatch() ? match.captured(1).toLongLong() - 1 : -1;
        if (index >= 0 && index < inputs.size())
            read.lines << QFileInfo(inputs[index]).fileName() + ": " + match.captured(2);
    }
    return read;
}

namespace {

QString Listed(const DifferingInputs& differing, const QString& firstInput)
{
    return (differing.lines.size() == 1 ? "This file differs from " : "These files differ from ")
        + QFileInfo(firstInput).fileName() + ":\n\n" + differing.lines.join('\n') + "\n\n";
}

}

QString DifferingQuestion(const DifferingInputs& differing, const QString& firstInput)
{
    return Listed(differing, firstInput) + (differing.lines.size() == 1 ? "It" : "They")
        + " can be re-encoded to match " + QFileInfo(firstInput).fileName()
        + "; every other file is copied as it is.";
}

QString DifferingRefusal(const DifferingInputs& differing, const QString& firstInput, const QString& encodingProfile)
{
    QString text = Listed(differing, firstInput) + (differing.lines.size() == 1 ? "It" : "They")
        + " cannot be re-encoded to join the copied files: " + differing.cannotMatch + ".\n";
    if (encodingProfile.isEmpty())
        return text + "Please choose a profile that encodes every file.";
    return text + "Please choose the profile \"" + encodingProfile + "\", which encodes every file.";
}
