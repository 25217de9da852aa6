#include "pipeline/JobPlan.h"

PlanCommands::PlanCommands(JobPlan plan, QString jobFolder, QString frameSize, JoinOptions joinOptions,
                           QString outputExt)
    : m_plan(plan)
    , m_jobFolder(std::move(jobFolder))
    , m_frameSize(std::move(frameSize))
    , m_joinOptions(std::move(joinOptions))
    , m_outputType(outputExt.mid(outputExt.startsWith('.') ? 1 : 0).toLower())
    , m_copies(CopiesStreams(m_joinOptions.text))
{
}

QString PlanCommands::convertedFile(int index) const
{
    return m_plan == JobPlan::EncodeOnce ? PiecePath(m_jobFolder, index) : IntermediatePath(m_jobFolder, index);
}

EncoderCommand PlanCommands::conversion(const QString& input, int index) const
{
    return m_plan == JobPlan::EncodeOnce ? PieceCommand(input, convertedFile(index), m_joinOptions, m_outputType)
                                         : ConversionCommand(input, convertedFile(index), m_frameSize,
                                                             EvensLoudness(m_joinOptions));
}

EncoderCommand PlanCommands::join(const QStringList& inputs, const QString& output) const
{
    QStringList files = inputs;
    if (convertsFirst()) {
        for (int index = 0; index < files.size(); ++index)
            files[index] = convertedFile(index);
    }
    // The output types that keep chapters; the others are asked for none.
    static const QStringList chapterTypes{"mp4", "mov", "mkv"};
    const bool chapters = m_joinOptions.chapters && chapterTypes.contains(m_outputType);
    QStringList chapterTitles;
    for (const QString& input : chapters ? inputs : QStringList())
        chapterTitles << ChapterTitleOf(input);
    return JoinCommand(files, output, m_joinOptions, chapterTitles);
}

bool CopiesStreams(const QString& joinOptions)
{
    const QStringList words = joinOptions.split(' ', Qt::SkipEmptyParts);
    const qsizetype video = words.indexOf("-ovc");
    return video >= 0 && words.value(video + 1) == "copy";
}
