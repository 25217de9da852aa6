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

#include <algorithm>
#include <list>

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
    const PlanCommands plan(settings.plan, TempFolderOf(settings) + JobFolder::NamePrefix + "XXXXXX/",
                            settings.frameSize(), settings.joinOptions(), settings.outputExt);
    QStringList lines;
    QStringList inputs;
    for (int index = 0; index < rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(rows, index, EntryWhole, entry);
        if (plan.convertsFirst())
            lines << plan.conversion(entry.path, index).text;
        inputs << entry.path;
    }
    QString output = settings.outputFile;
    if (LastExtension(output).toLower() != settings.outputExt.toLower())
        output += settings.outputExt;
    lines << plan.join(inputs, JoinTarget(output, settings.policy)).text;
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

bool JobRunner::checkJoinCommand(const PlanCommands& plan)
{
    const std::unique_ptr<EncoderRun> run = runEncoder(QStringList{"--check"} + joinArguments(plan, inputPaths()));
    if (run && m_state != JobState::StopRequested && run->exitCode() == 0)
        return true;
    m_view.stopClock();
    removeJobFolder();
    if (!run) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        m_state = JobState::Idle;
    } else if (m_state == JobState::StopRequested) {
        finish(JobEnd::Stopped);
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Coversion is canceled.");
        m_state = JobState::Idle;
    } else {
        finish(JobEnd::Failed);
        if (!m_aborting)
            m_prompter.warn("Output Settings", "The output settings cannot be used for joining.\n" + run->lastErrorLine());
        m_state = JobState::Idle;
    }
    m_view.showProgress(false);
    return false;
}

QList<int> JobRunner::longestFirst(int atOnce) const
{
    QList<int> order;
    QList<double> lengths;
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        order << index;
        lengths << entry.LengthSeconds;
    }
    // Side by side, the longest run decides when the stage ends: it starts first. One at a
    // time, and among equal lengths, the list's order holds.
    if (atOnce > 1)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return lengths[a] > lengths[b]; });
    return order;
}

namespace {

// An entry whose conversion runs now.
struct Converting {
    int index = 0;
    ltvItemData entry;
    QString intermediate;
    double position = 0;
    EncoderRun* run = nullptr;
};

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
        totalSeconds += entry.KnownSeconds();
    }
    const QString tempFolder = m_jobFolder->path();

    // Output settings that the join cannot use are found before any file is converted. A
    // join of the inputs as they are reads them once, in its own run, and refuses before it
    // writes anything.
    const PlanCommands plan(m_settings.plan, tempFolder, frameSize, m_joinOptions, m_settings.outputExt);
    if (plan.convertsFirst() && !checkJoinCommand(plan))
        return {};
    if (!plan.convertsFirst()) {
        for (int index = 0; index < count; ++index)
            setStatus(index, "Waiting for joining");
        return tempFolder;
    }

    // The conversions run side by side; the list shows each running entry as converting, the
    // current bar and the file name follow the first of them in the list, and the total bar
    // counts what every one has done.
    std::list<Converting> running;
    double doneSeconds = 0;
    const auto showConversions = [&] {
        if (running.empty())
            return;
        const Converting* first = &running.front();
        double othersSeconds = 0;
        for (const Converting& conversion : running) {
            othersSeconds += conversion.position;
            if (conversion.index < first->index)
                first = &conversion;
        }
        othersSeconds -= first->position;
        m_view.setConvertingFile(QFileInfo(first->entry.path).fileName(), true);
        showBars(ConversionBars(m_bars, first->position, first->entry.LengthSeconds, doneSeconds + othersSeconds,
                                totalSeconds));
    };

    enum class Ending { None, CannotStart, Failed } ending = Ending::None;
    int failedIndex = -1;
    QString reason;
    QList<int> stopped;
    const auto stopTheOthers = [&] {
        for (Converting& conversion : running)
            conversion.run->stop();
    };
    const int atOnce = std::max(1, m_settings.conversionRunsAtOnce);
    QList<int> waiting = longestFirst(atOnce);
    for (;;) {
        while (m_state == JobState::Running && ending == Ending::None && int(running.size()) < atOnce
               && !waiting.isEmpty()) {
            Converting& conversion = running.emplace_back();
            conversion.index = waiting.takeFirst();
            ReadTaskEntry(m_rows, conversion.index, EntryWhole, conversion.entry);
            conversion.intermediate = plan.convertedFile(conversion.index);
            conversion.run = launchEncoder(
                plan.conversion(conversion.entry.path, conversion.index).arguments,
                [&conversion, &showConversions](double seconds) {
                    conversion.position = seconds;
                    showConversions();
                });
            if (!conversion.run) {
                running.pop_back();
                ending = Ending::CannotStart;
                stopTheOthers();
                break;
            }
            setStatus(conversion.index, "Converting");
            showConversions();
        }
        if (running.empty())
            break;
        const bool soon = std::any_of(running.begin(), running.end(),
                                      [](const Converting& conversion) { return conversion.run->ending(); });
        WaitForEncoderOutput(soon);
        for (auto conversion = running.begin(); conversion != running.end();) {
            if (!conversion->run->poll()) {
                ++conversion;
                continue;
            }
            const std::unique_ptr<EncoderRun> run = takeRun(conversion->run);
            const bool succeeded = run->succeeded(conversion->intermediate);
            if (succeeded && m_state == JobState::Running) {
                takeNotes(*run, conversion->index);
                doneSeconds += conversion->entry.KnownSeconds();
                setStatus(conversion->index, "Waiting for joining");
            } else if (m_state == JobState::StopRequested && ending == Ending::None) {
                stopped << conversion->index;
            } else if (ending == Ending::None) {
                // The reason is the encoder's own last word; the list says which file failed.
                ending = Ending::Failed;
                failedIndex = conversion->index;
                reason = run->lastErrorLine();
                stopTheOthers();
            } else {
                // Cut short for another's failure: the entry is as it was.
                setStatus(conversion->index, conversion->entry.cells[CellStatus], conversion->entry.cells[CellFailure]);
            }
            conversion = running.erase(conversion);
        }
        if (!running.empty())
            showConversions();
        else if (ending == Ending::None && m_state == JobState::Running && !waiting.isEmpty())
            showBars({0, m_bars.total});
    }

    if (ending == Ending::None && m_state == JobState::Running)
        return tempFolder;
    // Every other ending removes the job's files before its message.
    m_view.stopClock();
    removeJobFolder();
    // A stop that came after a failure does not hide it.
    if (m_state == JobState::StopRequested && ending == Ending::None) {
        finish(JobEnd::Stopped);
        for (int index : stopped)
            setStatus(index, "Stop");
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Coversion is canceled.");
        m_state = JobState::Idle;
    } else if (ending == Ending::CannotStart) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        m_state = JobState::Idle;
    } else {
        ltvItemData entry;
        ReadTaskEntry(m_rows, failedIndex, EntryWhole, entry);
        finish(JobEnd::Failed);
        setStatus(failedIndex, "Failed", reason);
        if (!m_aborting)
            m_prompter.warn("Conversion Failed",
                            "The conversion of " + QFileInfo(entry.path).fileName() + " failed.\n" + reason);
        m_state = JobState::Idle;
    }
    m_view.showProgress(false);
    return {};
}
