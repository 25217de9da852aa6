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

bool PlanCommands::convertsInGroups() const
{
    return m_plan == JobPlan::EncodeOnce && !m_copies && !EvensLoudness(m_joinOptions);
}

EncoderCommand PlanCommands::conversion(const QStringList& inputs, int index) const
{
    return m_plan == JobPlan::EncodeOnce ? PieceCommand(inputs, convertedFile(index), m_joinOptions, m_outputType)
                                         : ConversionCommand(inputs.front(), convertedFile(index), m_frameSize,
                                                             m_joinOptions);
}

EncoderCommand PlanCommands::join(const QStringList& inputs, const QString& output, const QList<int>& pieceRows) const
{
    QStringList files = inputs;
    if (convertsFirst()) {
        files.clear();
        for (int index : pieceRows)
            files << convertedFile(index);
        for (int index = 0; pieceRows.isEmpty() && index < inputs.size(); ++index)
            files << convertedFile(index);
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
