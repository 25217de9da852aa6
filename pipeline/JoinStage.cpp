// The second stage: the converted files (or the inputs themselves, when nothing was
// converted), in list order, joined into the output.
#include "pipeline/JobRunner.h"

#include "core/TimeText.h"
#include "pipeline/DifferingInputs.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobFolder.h"
#include "platform/Prompter.h"
#include "protocol/ExitCodes.h"
#include "settings/ProgramValues.h"
#include "tasks/TaskEntry.h"

#include <QFile>
#include <QPointer>

#include <algorithm>

void JobRunner::JoinFiles(const JoinOptions& options, const QString& tempFolder)
{
    m_view.setProcessTitle("Final Step: Joining all files...");
    m_view.setConvertingFile(QString(), false);
    m_view.showProgress(true);
    m_state = JobState::Running;
    m_joinSeconds = 0;
    QStringList inputs;
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        m_joinSeconds += entry.KnownSeconds();
        inputs << entry.path;
    }
    setEveryStatus(RowStatus::Joining);
    // The join's own run starts from nothing, whatever the last conversion showed.
    m_progress.setJoined(0);
    m_progress.setJoinStep(JoinStep::Starting);
    showCurrent(0);
    m_output = JoinTarget(m_settings.outputFile, m_settings.policy);

    const PlanCommands plan(m_settings.plan, tempFolder, QString(), options, m_settings.outputExt);
    m_joinReadsInputs = !plan.convertsFirst();
    EncoderRun* run = launchEncoder(joinArguments(plan, inputs), [this](EncoderRun* ended) { joinEnded(ended); });
    if (!run) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        removeJobFolder();
        endJob();
        closeJob();
        return;
    }
    // The join's position never goes back.
    connect(run, &EncoderRun::positionSeen, this, [this](double seconds) {
        m_progress.setJoined(seconds);
        showCurrent(std::max(m_bars.current, CurrentBar(m_bars.current, seconds, m_joinSeconds)));
    });

}

void JobRunner::refusedAsTheyAre(const EncoderRun& run)
{
    const DifferingInputs differing = ReadDifferingInputs(run.told(), inputPaths());
    const QString lastError = run.lastErrorLine();
    if (m_aborting || m_reencodeDiffering || differing.lines.isEmpty() || !differing.cannotMatch.isEmpty()) {
        notJoined(differing, lastError);
        return;
    }
    askThen({Prompter::Question::Kind::GoOn, "Inputs Differ", DifferingQuestion(differing, inputPaths().value(0)),
             "Re-encode only these"},
            [this, differing, lastError](bool encode) {
                if (m_state == JobState::StopRequested) {
                    joinStopped();
                } else if (encode) {
                    m_reencodeDiffering = true;
                    JoinFiles(m_joinOptions, m_jobFolder->path());
                } else {
                    notJoined(differing, lastError);
                }
            });
}

void JobRunner::notJoined(const DifferingInputs& differing, const QString& lastError)
{
    m_clock.stop();
    setEveryStatus(RowStatus::Ok);
    removeJobFolder();
    finish(JobEnd::Failed);
    // A user who declined to encode the differing inputs has been told enough.
    const QString profile = m_settings.encodingProfile ? m_settings.encodingProfile() : QString();
    const QString refusal = DifferingRefusal(differing, inputPaths().value(0), profile);
    if (!m_aborting && !differing.cannotMatch.isEmpty() && !profile.isEmpty()) {
        // The job has ended; the answer only chooses the profile.
        m_prompter.pose({Prompter::Question::Kind::GoOn, "Not Joined As They Are", refusal, "Choose \"" + profile + "\""},
                        [view = QPointer<JobRunner>(this), profile](bool choose) {
                            if (view && choose)
                                view->m_view.chooseProfile(profile);
                        });
    } else if (!m_aborting && !differing.cannotMatch.isEmpty()) {
        m_prompter.warn("Not Joined As They Are", refusal);
    } else if (!m_aborting && (differing.lines.isEmpty() || m_reencodeDiffering)) {
        m_prompter.warn("Not Joined As They Are", "The files cannot be joined without re-encoding:\n" + lastError
                                                      + "\nPlease choose a profile that encodes them.");
    }
    endJob();
    closeJob();
}

void JobRunner::joinStopped()
{
    m_clock.stop();
    setEveryStatus(RowStatus::Stopped);
    removeJobFolder();
    finish(JobEnd::Stopped);
    if (!m_aborting)
        m_prompter.inform("Cancel", "The Joining is canceled.");
    endJob();
    closeJob();
}

void JobRunner::joinEnded(EncoderRun* ended)
{
    const RunHandle run = takeRun(ended);
    if (m_state == JobState::StopRequested) {
        joinStopped();
        return;
    }
    const QString output = writtenOutput(*run);
    m_output = output;
    if (m_joinReadsInputs && run->exitCode() == exitcode::NotJoinable) {
        refusedAsTheyAre(*run);
        return;
    }
    QString reason = run->failure(output);
    // Done is said of the inputs as they were listed: the output that this job wrote of an
    // input that changed since Start goes.
    const int changed = reason.isEmpty() ? m_inputIdentities.firstChanged() : -1;
    if (changed >= 0) {
        QFile::remove(output);
        reason = m_inputIdentities.changeText(changed);
    }
    if (!reason.isEmpty()) {
        m_clock.stop();
        setEveryStatus(RowStatus::Failed, reason);
        removeJobFolder();
        finish(JobEnd::Failed);
        if (!m_aborting)
            m_prompter.warn("Joining Failed", "The joining failed.\n" + reason);
        endJob();
        closeJob();
        return;
    }

    // The join reads the inputs, or the pieces, each the conversion of the entries from its first on.
    QList<int> inputRows = m_conversions.pieceRows;
    if (m_joinReadsInputs) {
        inputRows.clear();
        for (int row = 0; row < m_rows.rowCount(); ++row)
            inputRows << row;
    }
    takeNotes(*run, inputRows, false);
    // Nothing is left to do: the clock says so before the bars reach their end.
    m_clock.stop();
    m_progress.finish();
    m_view.setTimes(elapsedText(), SecondsToTimeText(0));
    showCurrent(100);
    // A renamed output is the file the user opens next.
    if (output != m_settings.outputFile)
        m_view.setOutputFile(output);
    setEveryStatus(RowStatus::Complete);
    removeJobFolder();
    finish(JobEnd::Completed);
    if (m_aborting || !m_view.RunCompletionActions(output)) {
        m_view.showProgress(false);
        m_state = JobState::Idle;
    }
    closeJob();
}
