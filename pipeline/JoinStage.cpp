// The second stage: the intermediate files, in list order, joined into the output.
#include "pipeline/JobRunner.h"

#include "core/TimeText.h"
#include "pipeline/DifferingInputs.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobFolder.h"
#include "platform/Prompter.h"
#include "settings/ProgramValues.h"
#include "tasks/TaskEntry.h"

#include <QFile>

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
    setEveryStatus("Joining");
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

bool JobRunner::joinAgainEncodingDiffering(const EncoderRun& run)
{
    const DifferingInputs differing = ReadDifferingInputs(run.notes(), inputPaths());
    if (m_aborting || m_reencodeDiffering || differing.lines.isEmpty() || !differing.cannotMatch.isEmpty())
        return false;
    const bool encode = m_prompter.askToGoOn("Inputs Differ", DifferingQuestion(differing, inputPaths().value(0)),
                                             "Re-encode only these");
    // The window may have closed, or Stop been pressed, while the question was open.
    if (!encode || m_aborting || m_state != JobState::Running)
        return false;
    m_reencodeDiffering = true;
    JoinFiles(m_joinOptions, m_jobFolder->path());
    return true;
}

void JobRunner::joinEnded(EncoderRun* ended)
{
    const RunHandle run = takeRun(ended);
    if (m_state == JobState::StopRequested) {
        m_clock.stop();
        setEveryStatus("Stop");
        removeJobFolder();
        finish(JobEnd::Stopped);
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Joining is canceled.");
        endJob();
        closeJob();
        return;
    }
    const QString output = writtenOutput(*run);
    m_output = output;
    if (m_joinReadsInputs && run->exitCode() == EncoderRun::NotJoinableExitCode) {
        if (joinAgainEncodingDiffering(*run))
            return;
        m_clock.stop();
        setEveryStatus("OK");
        removeJobFolder();
        finish(JobEnd::Failed);
        // A user who declined to encode the differing inputs has been told enough.
        const DifferingInputs differing = ReadDifferingInputs(run->notes(), inputPaths());
        const QString profile = m_settings.encodingProfile ? m_settings.encodingProfile() : QString();
        const QString refusal = DifferingRefusal(differing, inputPaths().value(0), profile);
        if (!m_aborting && !differing.cannotMatch.isEmpty() && !profile.isEmpty()) {
            if (m_prompter.askToGoOn("Not Joined As They Are", refusal, "Choose \"" + profile + "\""))
                m_view.chooseProfile(profile);
        } else if (!m_aborting && !differing.cannotMatch.isEmpty()) {
            m_prompter.warn("Not Joined As They Are", refusal);
        } else if (!m_aborting && (differing.lines.isEmpty() || m_reencodeDiffering)) {
            m_prompter.warn("Not Joined As They Are", "The files cannot be joined without re-encoding:\n"
                                                          + run->lastErrorLine() + "\nPlease choose a profile that encodes them.");
        }
        endJob();
        closeJob();
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
        setEveryStatus("Failed", reason);
        removeJobFolder();
        finish(JobEnd::Failed);
        if (!m_aborting)
            m_prompter.warn("Joining Failed", "The joining failed.\n" + reason);
        endJob();
        closeJob();
        return;
    }

    takeNotes(*run, {});
    // Nothing is left to do: the clock says so before the bars reach their end.
    m_clock.stop();
    m_progress.finish();
    m_view.setTimes(elapsedText(), SecondsToTimeText(0));
    showCurrent(100);
    // A renamed output is the file the user opens next.
    if (output != m_settings.outputFile)
        m_view.setOutputFile(output);
    setEveryStatus("Complete");
    removeJobFolder();
    finish(JobEnd::Completed);
    if (m_aborting || !m_view.RunCompletionActions(output)) {
        m_view.showProgress(false);
        m_state = JobState::Idle;
    }
    closeJob();
}
