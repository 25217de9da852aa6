#include "pipeline/EncoderCommandLines.h"

namespace {

QString Quoted(const QString& path)
{
    return '"' + path + '"';
}

}

EncoderCommand ConversionCommand(const QString& input, const QString& intermediate, const QString& frameSize)
{
    const QString options = "-oac mp3lame -ovc lavc -ofps 30 -vf scale=" + frameSize;
    return {' ' + Quoted(input) + " -o " + Quoted(intermediate) + ' ' + options,
            QStringList{input, "-o", intermediate} + options.split(' ', Qt::SkipEmptyParts)};
}

EncoderCommand JoinCommand(const QStringList& intermediates, const QString& output, const QString& options)
{
    QString files;
    for (const QString& intermediate : intermediates)
        files += ' ' + Quoted(intermediate);
    return {files + " -o " + Quoted(output) + ' ' + options,
            intermediates + QStringList{"-o", output} + options.split(' ', Qt::SkipEmptyParts)};
}

EncoderCommand PieceCommand(const QString& input, const QString& piece, const QString& joinOptions)
{
    const QString options = "-piece -ofps 30" + joinOptions;
    return {' ' + Quoted(input) + " -o " + Quoted(piece) + ' ' + options,
            QStringList{input, "-o", piece} + options.split(' ', Qt::SkipEmptyParts)};
}

QString PiecePath(const QString& jobFolder, int index)
{
    return jobFolder + QString::number(index) + ".mkv";
}

QString IntermediatePath(const QString& tempFolder, int index)
{
    return tempFolder + QString::number(index) + ".avi";
}
