#include "pipeline/DifferingInputs.h"

#include <QFileInfo>

DifferingInputs ReadDifferingInputs(const EncoderTold& told, const QStringList& inputs)
{
    DifferingInputs read;
    read.cannotMatch = told.cannotMatch;
    for (const EncoderTold::OfInput& input : told.differing)
        if (input.input < inputs.size())
            read.lines << QFileInfo(inputs[input.input]).fileName() + ": " + input.words;
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
