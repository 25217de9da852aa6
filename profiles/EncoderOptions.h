#pragma once

#include "profiles/OutputChoices.h"

#include <QString>
#include <QStringList>

// The join run's encoder options: the text shown in a command line, and the arguments the
// encoder is started with, each value of the profile and the dialog one whole argument.
struct JoinOptions {
    QString text;
    QStringList arguments;
    // A chapter for each input in the output, named after the input (the general settings say).
    bool chapters = false;
};

// The frame size every conversion run scales to: the chosen list size's value ("224"
// when the profile has none), or the manual width and height as "W:H".
QString GetOutputSize(const QString& profilePath, const OutputChoices& choices);

// The join run's encoder options in the encoder's MEncoder syntax, from the choices and
// the encoder values the profile file holds for them (read anew at every call). The text
// begins with a blank.
JoinOptions BuildJoinOptions(const QString& profilePath, const OutputChoices& choices);
QString BuildEncoderOptions(const QString& profilePath, const OutputChoices& choices);
