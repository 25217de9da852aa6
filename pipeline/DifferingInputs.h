#pragma once

#include "pipeline/EncoderRun.h"

#include <QString>
#include <QStringList>

// What the encoder said of a join's inputs that differ from the first.
struct DifferingInputs {
    QStringList lines;   // "clip3.mp4: frame size 1920x1080, not 1280x720", in list order
    QString cannotMatch; // why they cannot be encoded to match the first; empty when they can
};

// inputs: the join's inputs, in the order the encoder was given them.
DifferingInputs ReadDifferingInputs(const EncoderTold& told, const QStringList& inputs);

// The question before encoding only the differing inputs, or, when they cannot be, the
// refusal that names the profile to choose instead (empty when none is known).
QString DifferingQuestion(const DifferingInputs& differing, const QString& firstInput);
QString DifferingRefusal(const DifferingInputs& differing, const QString& firstInput, const QString& encodingProfile);
