#pragma once

#include "pipeline/EncoderCommandLines.h"

#include <QString>
#include <QStringList>

// How a job gets from its inputs to the output.
enum class JobPlan {
    // Every input into an intermediate AVI of fixed quality, then one join that encodes again.
    Intermediate,
    // Every input encoded once, straight into the output's picture with its sound kept
    // exact beside it; the join copies the pictures and encodes the sound once.
    EncodeOnce,
};

// The command lines of a job's plan. A profile that keeps the inputs' video and sound
// as they are joins the inputs themselves, whatever the plan: nothing is converted first.
class PlanCommands {
public:
    // outputExt: the output's type, ".vob" for example.
    PlanCommands(JobPlan plan, QString jobFolder, QString frameSize, JoinOptions joinOptions, QString outputExt);

    // False when the join takes the inputs as they are.
    bool convertsFirst() const { return !m_copies; }
    // True when one conversion may take several inputs into one piece: the pieces' join
    // copies the pictures; evened loudness is measured by each input's own conversion.
    bool convertsInGroups() const;
    // The file the conversion of the entries from the one at index on writes.
    QString convertedFile(int index) const;
    // inputs: one, or several (convertsInGroups) listed from the entry at index on.
    EncoderCommand conversion(const QStringList& inputs, int index) const;
    // The join of the converted files, or of the inputs themselves. pieceRows: the entry
    // that each converted file starts with, in order; empty: one file for each entry.
    EncoderCommand join(const QStringList& inputs, const QString& output, const QList<int>& pieceRows = {}) const;

private:
    JobPlan m_plan;
    QString m_jobFolder;
    QString m_frameSize;
    JoinOptions m_joinOptions;
    QString m_outputType;
    bool m_copies;
};

// Whether the join's options keep the inputs' video and sound as they are.
bool CopiesStreams(const QString& joinOptions);
