#pragma once

#include "profiles/EncoderOptions.h"

#include <QString>
#include <QStringList>

// The encoder's command lines, as text (the form the encoder documents, with every path
// between double quotes) and as the argument vector it is started with: there every
// path and every value is one whole argument, whatever it holds, and the input files come
// last, after "--", so that no name is ever read as an option.
struct EncoderCommand {
    QString text;
    QStringList arguments;
};

// One input into an intermediate AVI of the job's frame size "W:H", with the options of the
// join that reach every run (the tracks kept, the loudness measured for the join).
EncoderCommand ConversionCommand(const QString& input, const QString& intermediate, const QString& frameSize,
                                 const JoinOptions& joinOptions = {});

// The encoder's option that evens out the loudness of the inputs. Given in the join's
// options, it reaches every conversion of the job and the join.
inline const QString EvenLoudnessOption = "-evenloudness";
JoinOptions WithEvenLoudness(const JoinOptions& options);
bool EvensLoudness(const JoinOptions& options);

// The intermediate files, in list order, joined into the output with the profile's options,
// and a chapter title for each, if any.
EncoderCommand JoinCommand(const QStringList& intermediates, const QString& output, const JoinOptions& options,
                           const QStringList& chapterTitles = {});

// The title of the chapter at a listed file: its name without the folder and the extension.
QString ChapterTitleOf(const QString& input);

// Inputs, one or several in the list's order, into a piece of the output: their pictures
// encoded as the join's options and the output's type ("vob", without the dot) say, at the
// intermediate's frame rate, their sound kept exact beside it, for a join that copies the pictures.
EncoderCommand PieceCommand(const QStringList& inputs, const QString& piece, const JoinOptions& joinOptions,
                            const QString& outputType);

// The intermediate file of the entry at index in the temp folder (which ends in "/").
QString IntermediatePath(const QString& tempFolder, int index);
// The piece of the entry at index in the job's folder (which ends in "/").
QString PiecePath(const QString& jobFolder, int index);
