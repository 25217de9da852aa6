#include "pipeline/EncoderCommandLines.h"

namespace {

QString Quoted(const QString& path)
{
    return '"' + path + '"';
}

}

EncoderCommand ConversionCommand(const QString& input, const QString& intermediate, const QString& frameSize,
                                 bool evenLoudness)
{
    QStringList options{"-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30", "-vf", "scale=" + frameSize};
    if (evenLoudness)
        options << EvenLoudnessOption;
    return {' ' + Quoted(input) + " -o " + Quoted(intermediate) + ' ' + options.join(' '),
            QStringList{"-o", intermediate} + options + QStringList{"--", input}};
}

EncoderCommand JoinCommand(const QStringList& intermediates, const QString& output, const JoinOptions& options)
{
    QString files;
    for (const QString& intermediate : intermediates)
        files += ' ' + Quoted(intermediate);
    return {files + " -o " + Quoted(output) + ' ' + options.text,
            QStringList{"-o", output} + options.arguments + QStringList{"--"} + intermediates};
}

EncoderCommand PieceCommand(const QString& input, const QString& piece, const JoinOptions& joinOptions,
                            const QString& outputType)
{
    const QStringList options{"-piece", "-piecefor", outputType, "-ofps", "30"};
    return {' ' + Quoted(input) + " -o " + Quoted(piece) + ' ' + options.join(' ') + joinOptions.text,
            QStringList{"-o", piece} + options + joinOptions.arguments + QStringList{"--", input}};
}

JoinOptions WithEvenLoudness(const JoinOptions& options)
{
    return {options.text + ' ' + EvenLoudnessOption, options.arguments + QStringList{EvenLoudnessOption}};
}

bool EvensLoudness(const JoinOptions& options)
{
    return options.arguments.contains(EvenLoudnessOption);
}

QString PiecePath(const QString& jobFolder, int index)
{
    return jobFolder + QString::number(index) + ".mkv";
}

QString IntermediatePath(const QString& tempFolder, int index)
{
    return tempFolder + QString::number(index) + ".avi";
}
