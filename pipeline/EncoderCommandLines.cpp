#include "pipeline/EncoderCommandLines.h"

#include "core/NameBytes.h"
#include "core/PathRules.h"

#include <QFileInfo>

namespace {

QString Quoted(const QString& path)
{
    return '"' + path + '"';
}

// Each path quoted, after a space.
QString QuotedFiles(const QStringList& paths)
{
    QString files;
    for (const QString& path : paths)
        files += ' ' + Quoted(path);
    return files;
}

}

EncoderCommand ConversionCommand(const QString& input, const QString& intermediate, const QString& frameSize,
                                 const JoinOptions& joinOptions)
{
    QStringList options{"-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30", "-vf", "scale=" + frameSize};
    // The tracks the join may take must reach its intermediate files.
    const qsizetype tracks = joinOptions.arguments.indexOf(TracksOption);
    if (tracks >= 0)
        options << joinOptions.arguments.mid(tracks, 2);
    if (EvensLoudness(joinOptions))
        options << EvenLoudnessOption;
    return {' ' + Quoted(input) + " -o " + Quoted(intermediate) + ' ' + options.join(' '),
            QStringList{"-o", intermediate} + options + QStringList{"--", input}};
}

EncoderCommand JoinCommand(const QStringList& intermediates, const QString& output, const JoinOptions& options,
                           const QStringList& chapterTitles)
{
    const QString files = QuotedFiles(intermediates);
    // A title is a file's name: one whole argument, the value of its option.
    QString chapters;
    QStringList chapterArguments;
    for (const QString& title : chapterTitles) {
        chapters += " -chaptertitle " + Quoted(title);
        chapterArguments << "-chaptertitle" << title;
    }
    return {files + " -o " + Quoted(output) + ' ' + options.text + chapters,
            QStringList{"-o", output} + options.arguments + chapterArguments + QStringList{"--"} + intermediates};
}

QString ChapterTitleOf(const QString& input)
{
    // A title is text in the output's tags, which hold UTF-8 only.
    return ShownName(StripExtension(QFileInfo(input).fileName()));
}

EncoderCommand PieceCommand(const QStringList& inputs, const QString& piece, const JoinOptions& joinOptions,
                            const QString& outputType)
{
    const QStringList options{"-piece", "-piecefor", outputType, "-ofps", "30"};
    return {QuotedFiles(inputs) + " -o " + Quoted(piece) + ' ' + options.join(' ') + joinOptions.text,
            QStringList{"-o", piece} + options + joinOptions.arguments + QStringList{"--"} + inputs};
}

JoinOptions WithEvenLoudness(const JoinOptions& options)
{
    JoinOptions evened = options;
    evened.text += ' ' + EvenLoudnessOption;
    evened.arguments << EvenLoudnessOption;
    return evened;
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
