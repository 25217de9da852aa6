// The first stage: every entry, in list order, into an intermediate AVI in the temp folder.
#include "pipeline/JobRunner.h"

#include "core/PathRules.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobFolder.h"
#include "platform/Prompter.h"
#include "settings/ProgramValues.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString JobRunner::TempFolderOf(const JobSettings& settings)
{
    // The chosen folder is made one level deep at most: a mistyped parent is not created.
    if (!settings.tempDir.isEmpty()) {
        const QString chosen = AddTrailingBackslash(settings.tempDir);
        const QFileInfo folder(chosen);
        const QFileInfo parent(FolderOf(chosen.chopped(1)));
        if (folder.isDir() || (!folder.exists() && parent.isDir() && parent.isWritable()))
            return chosen;
    }
    return settings.fallbackTempDir;
}

// The temp folder, made if need be; empty when it cannot be.
QString JobRunner::prepareTempFolder()
{
    const QString folder = TempFolderOf(m_settings);
    return QFileInfo(folder).isDir() || QDir().mkpath(folder) ? folder : QString();
}

QStringList JobRunner::PlannedCommandLines(const TaskRowStore& rows, const JobSettings& settings)
{
    const QString jobFolder = TempFolderOf(settings) + JobFolder::NamePrefix + "XXXXXX/";
    const QString frameSize = settings.frameSize();
    QStringList lines;
    QStringList intermediates;
    for (int index = 0; index < rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(rows, index, EntryWhole, entry);
        const QString intermediate = IntermediatePath(jobFolder, index);
        lines << ConversionCommand(entry.path, intermediate, frameSize).text;
        intermediates << intermediate;
    }
    QString output = settings.outputFile;
    if (LastExtension(output).toLower() != settings.outputExt.toLower())
        output += settings.outputExt;
    lines << JoinCommand(intermediates, JoinTarget(output, settings.outputExt, settings.policy), settings.joinOptions())
                 .text;
    return lines;
}

bool JobRunner::makeJobFolder()
{
    const QString named = m_settings.tempDir.isEmpty() ? m_settings.fallbackTempDir : m_settings.tempDir;
    const QString tempFolder = prepareTempFolder();
    if (tempFolder.isEmpty()) {
        m_prompter.warn("Temp Folder", "The temp folder \"" + named
                                           + "\" cannot be created. Please choose another one in the General Settings.");
        return false;
    }
    QString reason;
    m_jobFolder = JobFolder::Create(tempFolder, reason);
    if (!m_jobFolder) {
        m_prompter.warn("Temp Folder", "The temp folder \"" + tempFolder + "\" cannot be written (" + reason
                                           + "). Please choose another one in the General Settings.");
        return false;
    }
    return true;
}

bool JobRunner::checkJoinCommand(const QString& tempFolder)
{
    QStringList intermediates;
    for (int index = 0; index < m_rows.rowCount(); ++index)
        intermediates << IntermediatePath(tempFolder, index);
    const QString output = JoinTarget(m_settings.outputFile, m_settings.outputExt, m_settings.policy);
    const bool started =
        runEncoder(QStringList{"--check"} + JoinCommand(intermediates, output, m_joinOptions).arguments);
    if (started && m_state != JobState::StopRequested && m_exitCode == 0)
        return true;
    m_view.stopClock();
    removeJobFolder();
    if (!started) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        m_state = JobState::Idle;
    } else if (m_state == JobState::StopRequested) {
        finish(JobEnd::Stopped);
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Coversion is canceled.");
    } else {
        finish(JobEnd::Failed);
        if (!m_aborting)
            m_prompter.warn("Output Settings", "The output settings cannot be used for joining.\n" + lastErrorLine());
        m_state = JobState::Idle;
    }
    m_view.showProgress(false);
    return false;
}

QString JobRunner::ConvertFiles(const QString& frameSize)
{
    m_view.setProcessTitle("Prepare (Converting):");
    m_view.setConvertingFile(QString(), true);
    m_view.setTimes(QString(), QString());
    showBars({0, 0});
    m_view.showProgress(true);
    m_state = JobState::Running;
    ElapsedSeconds = 0;
    RemainingSeconds = 0;
    m_view.startClock();

    const int count = m_rows.rowCount();
    double totalSeconds = 0;
    for (int index = 0; index < count; ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        totalSeconds += entry.LengthSeconds;
    }
    const QString tempFolder = m_jobFolder->path();

    // What ends the stage early: a stop, a failed run, or an encoder that cannot start.
    const auto cancel = [&](int active, const QString& status, const QString& reason, const QString& message) {
        m_view.stopClock();
        setStatus(active, status, reason);
        removeJobFolder();
        if (!message.isEmpty() && !m_aborting)
            m_prompter.inform("Cancel", message);
        m_view.showProgress(false);
    };

    // Output settings that the join cannot use are found before any file is converted.
    if (!checkJoinCommand(tempFolder))
        return {};

    double doneSeconds = 0;
    for (int index = 0; index < count; ++index) {
        QCoreApplication::processEvents();
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        setStatus(index, "Converting");
        const QString name = QFileInfo(entry.path).fileName();
        m_view.setConvertingFile(name, true);
        const QString intermediate = IntermediatePath(tempFolder, index);
        const auto converted = [&](double seconds) {
            showBars(ConversionBars(m_bars, seconds, entry.LengthSeconds, doneSeconds, totalSeconds));
        };
        if (!runEncoder(ConversionCommand(entry.path, intermediate, frameSize).arguments, converted)) {
            finish(JobEnd::Failed);
            m_prompter.notice(ProgramValues::ProductName,
                              QString("Error. Please re-install ") + ProgramValues::ProductName);
            cancel(index, entry.cells[CellStatus], entry.cells[CellFailure], QString());
            m_state = JobState::Idle;
            return {};
        }
        if (m_state == JobState::StopRequested) {
            finish(JobEnd::Stopped);
            cancel(index, "Stop", QString(), "The Coversion is canceled.");
            return {};
        }
        if (runFailed(intermediate)) {
            // The reason is the encoder's own last word; the list says which file failed.
            const QString reason = lastErrorLine();
            finish(JobEnd::Failed);
            cancel(index, "Failed", reason, QString());
            if (!m_aborting)
                m_prompter.warn("Conversion Failed", "The conversion of " + name + " failed.\n" + reason);
            m_state = JobState::Idle;
            return {};
        }
        doneSeconds += entry.LengthSeconds;
        setStatus(index, "Waiting for joining");
        if (index != count - 1)
            showBars({0, m_bars.total});
    }
    return tempFolder;
}
