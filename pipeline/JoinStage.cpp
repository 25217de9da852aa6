// The second stage: the intermediate files, in list order, joined into the output.
#include "pipeline/JobRunner.h"

#include "pipeline/EncoderCommandLines.h"
#include "platform/Prompter.h"
#include "settings/ProgramValues.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>

#include <algorithm>

void JobRunner::JoinFiles(const JoinOptions& options, const QString& tempFolder)
{
    m_view.setProcessTitle("Final Step: Joining all files...");
    m_view.setConvertingFile(QString(), false);
    m_view.showProgress(true);
    m_state = JobState::Running;
    double totalSeconds = 0;
    QStringList inputs;
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        QCoreApplication::processEvents();
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        setStatus(index, "Joining");
        totalSeconds += entry.KnownSeconds();
        inputs << entry.path;
    }
    m_output = JoinTarget(m_settings.outputFile, m_settings.policy);

    const auto everyStatus = [&](const QString& status, const QString& reason = {}) {
        for (int index = 0; index < m_rows.rowCount(); ++index) {
            QCoreApplication::processEvents();
            setStatus(index, status, reason);
        }
    };

    // The join's position never goes back.
    double position = 0;
    const auto joined = [&](double seconds) {
        position = std::max(position, seconds);
        showBars(JoinBars(m_bars, position, totalSeconds));
    };
    const PlanCommands plan(m_settings.plan, tempFolder, QString(), options, m_settings.outputExt);
    const std::unique_ptr<EncoderRun> run = runEncoder(joinArguments(plan, inputs), joined);
    if (!run) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        removeJobFolder();
        endJob();
        return;
    }
    if (m_state == JobState::StopRequested) {
        m_view.stopClock();
        everyStatus("Stop");
        removeJobFolder();
        finish(JobEnd::Stopped);
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Joining is canceled.");
        endJob();
        return;
    }
    const QString output = writtenOutput(*run);
    m_output = output;
    if (!plan.convertsFirst() && run->exitCode() == EncoderRun::NotJoinableExitCode) {
        m_view.stopClock();
        everyStatus("OK");
        removeJobFolder();
        finish(JobEnd::Failed);
        if (!m_aborting) {
            m_prompter.warn("Not Joined As They Are", "The files cannot be joined without re-encoding:\n"
                                                          + run->lastErrorLine() + "\nPlease choose a profile that encodes them.");
        }
        endJob();
        return;
    }
    if (!run->succeeded(output)) {
        const QString reason = run->lastErrorLine();
        m_view.stopClock();
        everyStatus("Failed", reason);
        removeJobFolder();
        finish(JobEnd::Failed);
        if (!m_aborting)
            m_prompter.warn("Joining Failed", "The joining failed.\n" + reason);
        endJob();
        return;
    }

    takeNotes(*run, -1);
    showBars({100, 100});
    m_view.stopClock();
    // A renamed output is the file the user opens next.
    if (output != m_settings.outputFile)
        m_view.setOutputFile(output);
    everyStatus("Complete");
    removeJobFolder();
    finish(JobEnd::Completed);
    if (m_aborting || !m_view.RunCompletionActions(output)) {
        m_view.showProgress(false);
        m_state = JobState::Idle;
    }
}
