// The first stage: the entries, in list order, each or in groups into a converted file in the
// job's folder (an intermediate AVI, or a piece of the output as the job's plan says), several
// side by side; a profile that keeps the inputs as they are skips it.
#include "pipeline/JobRunner.h"

#include "core/PathRules.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobFolder.h"
#include "pipeline/SpaceCheck.h"
#include "pipeline/TempFolderChoice.h"
#include "platform/Prompter.h"
#include "settings/ProgramValues.h"
#include "tasks/TaskEntry.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <list>

QString JobRunner::TempFolderOf(const JobSettings& settings)
{
    return AddTrailingBackslash(ChooseTempFolder(settings.tempDir, settings.fallbackTempDir).folder);
}

// The temp folder, made if need be; empty when it cannot be.
QString JobRunner::prepareTempFolder()
{
    const QString folder = TempFolderOf(m_settings);
    return QFileInfo(folder).isDir() || QDir().mkpath(folder) ? folder : QString();
}

QList<ConversionGroup> JobRunner::ConversionRuns(const TaskRowStore& rows, const JobSettings& settings,
                                                 const PlanCommands& plan)
{
    QList<double> lengths;
    for (int index = 0; index < rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(rows, index, CellLength, entry);
        lengths << entry.LengthSeconds;
    }
    return GroupConversions(lengths, std::max(1, settings.conversionRunsAtOnce), plan.convertsInGroups());
}

QStringList JobRunner::PlannedCommandLines(const TaskRowStore& rows, const JobSettings& settings)
{
    const PlanCommands plan(settings.plan, TempFolderOf(settings) + JobFolder::NamePrefix + "XXXXXX/",
                            settings.frameSize(), settings.joinOptions(), settings.outputExt);
    QStringList inputs;
    for (int index = 0; index < rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(rows, index, EntryPath, entry);
        inputs << entry.path;
    }
    QStringList lines;
    QList<int> pieceRows;
    for (const ConversionGroup& group : plan.convertsFirst() ? ConversionRuns(rows, settings, plan)
                                                             : QList<ConversionGroup>()) {
        QStringList members;
        for (int index : group.rows)
            members << inputs[index];
        lines << plan.conversion(members, group.first()).text;
        pieceRows << group.first();
    }
    QString output = settings.outputFile;
    if (LastExtension(output).toLower() != settings.outputExt.toLower())
        output += settings.outputExt;
    lines << plan.join(inputs, JoinTarget(output, settings.policy), pieceRows).text;
    return lines;
}

bool JobRunner::makeJobFolder()
{
    const QString named = TempFolderOf(m_settings);
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

void JobRunner::checkJoinCommand()
{
    const QStringList arguments = QStringList{"--check"} + joinArguments(*m_conversions.plan, inputPaths());
    if (!launchEncoder(arguments, [this](EncoderRun* run) { joinCommandChecked(run); }))
        joinCommandChecked(nullptr);
}

// run: null when it could not be started.
void JobRunner::joinCommandChecked(EncoderRun* run)
{
    const RunHandle checked = run ? takeRun(run) : RunHandle();
    if (run && m_state != JobState::StopRequested && run->exitCode() == 0) {
        startConversions();
        return;
    }
    m_clock.stop();
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
    closeJob();
}

QList<ConversionGroup> JobRunner::longestFirst(QList<ConversionGroup> groups, int atOnce)
{
    // Side by side, the longest run decides when the stage ends: it starts first. One at a
    // time, and among equal lengths, the list's order holds.
    if (atOnce > 1)
        std::stable_sort(groups.begin(), groups.end(), [](const ConversionGroup& a, const ConversionGroup& b) {
            return a.knownSeconds() > b.knownSeconds();
        });
    return groups;
}

void JobRunner::ConvertFiles(const QString& frameSize)
{
    m_view.setProcessTitle("Prepare (Converting):");
    m_view.setConvertingFile(QString(), true);
    m_view.setTimes(QString(), QString());
    showBars({0, 0});
    m_view.showProgress(true);
    m_state = JobState::Running;

    m_conversions = Conversions();
    m_conversions.weights = ConversionWeights(m_settings.plan, frameSize, m_joinOptions.arguments);
    double totalSeconds = 0, totalWork = 0;
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        totalSeconds += entry.KnownSeconds();
        totalWork += entry.KnownSeconds() * m_conversions.weights.of(entry.cells[CellSize]);
    }
    const QString tempFolder = m_jobFolder->path();
    m_conversions.plan.emplace(m_settings.plan, tempFolder, frameSize, m_joinOptions, m_settings.outputExt);
    m_progress = JobProgress(CostsOf(m_settings.plan, m_conversions.plan->convertsFirst(), totalSeconds, totalWork,
                                     m_joinOptions.arguments));
    m_sinceStart.start();
    m_clock.start();
    const QList<ConversionGroup> groups = ConversionRuns(m_rows, m_settings, *m_conversions.plan);
    for (const ConversionGroup& group : groups)
        m_conversions.pieceRows << group.first();
    m_conversions.waiting = longestFirst(groups, std::max(1, m_settings.conversionRunsAtOnce));

    // Output settings that the join cannot use are found before any file is converted. A
    // join of the inputs as they are reads them once, in its own run, and refuses before it
    // writes anything.
    if (m_conversions.plan->convertsFirst()) {
        checkJoinCommand();
        return;
    }
    setEveryStatus(RowStatus::WaitingForJoining);
    JoinFiles(m_joinOptions, tempFolder);
}

// The conversions run side by side; the list shows each running entry as converting, the
// current bar and the file name follow the entry that the first run in the list converts
// now, and the total bar counts what every one has done.
void JobRunner::showConversions()
{
    const std::list<Converting>& running = m_conversions.running;
    if (running.empty())
        return;
    const Converting* first = &running.front();
    double converted = m_conversions.doneWork;
    for (const Converting& conversion : running) {
        converted += WeighedWork(conversion.group.lengths, conversion.weights, conversion.position);
        if (conversion.group.first() < first->group.first())
            first = &conversion;
    }
    m_progress.setConverted(converted);
    // A run reports its position across its whole group.
    qsizetype member = 0;
    double before = 0;
    const QList<double>& lengths = first->group.lengths;
    for (; member + 1 < lengths.size() && first->position >= before + std::max(0.0, lengths[member]); ++member)
        before += std::max(0.0, lengths[member]);
    m_view.setConvertingFile(QFileInfo(first->entries[member].path).fileName(), true);
    showCurrent(CurrentBar(m_bars.current, first->position - before, lengths[member]));
}

void JobRunner::startConversions()
{
    Conversions& stage = m_conversions;
    const int atOnce = std::max(1, m_settings.conversionRunsAtOnce);
    while (m_state == JobState::Running && stage.ending == ConversionEnding::None && int(stage.running.size()) < atOnce
           && !stage.waiting.isEmpty()) {
        Converting& conversion = stage.running.emplace_back();
        const auto at = std::prev(stage.running.end());
        conversion.group = stage.waiting.takeFirst();
        QStringList paths;
        for (int index : conversion.group.rows) {
            ReadTaskEntry(m_rows, index, EntryWhole, conversion.entries.emplace_back());
            paths << conversion.entries.back().path;
            conversion.weights << stage.weights.of(conversion.entries.back().cells[CellSize]);
        }
        conversion.converted = stage.plan->convertedFile(conversion.group.first());
        conversion.run = launchEncoder(stage.plan->conversion(paths, conversion.group.first()).arguments,
                                       [this, at](EncoderRun*) { conversionEnded(at); });
        if (!conversion.run) {
            stage.running.pop_back();
            stage.ending = ConversionEnding::CannotStart;
            for (Converting& other : stage.running)
                other.run->stop();
            break;
        }
        connect(conversion.run, &EncoderRun::positionSeen, this, [this, at](double seconds) {
            at->position = seconds;
            showConversions();
        });
        setStatuses(conversion.group.rows, RowStatus::Converting);
        showConversions();
    }
    if (stage.running.empty())
        conversionsEnded();
}

void JobRunner::conversionEnded(std::list<Converting>::iterator conversion)
{
    Conversions& stage = m_conversions;
    const RunHandle run = takeRun(conversion->run);
    const QList<int>& rows = conversion->group.rows;
    QString failure = run->failure(conversion->converted);
    // A full temp folder cuts a file short, whatever the encoder made of it.
    if (failure.isEmpty() && ProbeFolderSpace(m_jobFolder->path()).freeBytes == 0)
        failure = "No space left on the device of the temp folder " + TempFolderOf(m_settings);
    const int changed = failure.isEmpty() ? m_inputIdentities.firstChanged(rows) : -1;
    if (changed >= 0)
        failure = m_inputIdentities.changeText(changed);
    if (failure.isEmpty() && m_state == JobState::Running) {
        takeNotes(*run, rows, rows.size() == 1);
        stage.doneWork += WeighedWork(conversion->group.lengths, conversion->weights, conversion->group.knownSeconds());
        setStatuses(rows, RowStatus::WaitingForJoining);
    } else if (m_state == JobState::StopRequested && stage.ending == ConversionEnding::None) {
        stage.stopped << rows;
    } else if (stage.ending == ConversionEnding::None && rows.size() > 1 && changed < 0) {
        // Each entry of a group that failed is converted again on its own, first: a
        // failure then names its own file and row, and the others still make their pieces.
        restoreStatuses(*conversion);
        for (qsizetype member = rows.size() - 1; member >= 0; --member)
            stage.waiting.prepend({{rows[member]}, {conversion->group.lengths[member]}});
        stage.pieceRows << rows.mid(1);
        std::sort(stage.pieceRows.begin(), stage.pieceRows.end());
    } else if (stage.ending == ConversionEnding::None) {
        // The reason is the encoder's own last word, or the input that changed; the list
        // says which file failed.
        stage.ending = ConversionEnding::Failed;
        stage.failedIndex = changed >= 0 ? changed : rows.front();
        stage.reason = failure;
        for (Converting& other : stage.running)
            if (other.run != conversion->run)
                other.run->stop();
    } else {
        // Cut short for another's failure: the entries are as they were.
        restoreStatuses(*conversion);
    }
    stage.running.erase(conversion);
    if (!stage.running.empty())
        showConversions();
    else if (stage.ending == ConversionEnding::None && m_state == JobState::Running && !stage.waiting.isEmpty())
        showCurrent(0);
    startConversions();
}

void JobRunner::conversionsEnded()
{
    Conversions& stage = m_conversions;
    if (stage.ending == ConversionEnding::None && m_state == JobState::Running) {
        JoinFiles(m_joinOptions, m_jobFolder->path());
        return;
    }
    // Every other ending removes the job's files before its message.
    m_clock.stop();
    removeJobFolder();
    // A stop that came after a failure does not hide it.
    if (m_state == JobState::StopRequested && stage.ending == ConversionEnding::None) {
        finish(JobEnd::Stopped);
        for (int index : stage.stopped)
            setStatus(index, RowStatus::Stopped);
        if (!m_aborting)
            m_prompter.inform("Cancel", "The Coversion is canceled.");
        m_state = JobState::Idle;
    } else if (stage.ending == ConversionEnding::CannotStart) {
        finish(JobEnd::Failed);
        m_prompter.notice(ProgramValues::ProductName, QString("Error. Please re-install ") + ProgramValues::ProductName);
        m_state = JobState::Idle;
    } else {
        ltvItemData entry;
        ReadTaskEntry(m_rows, stage.failedIndex, EntryWhole, entry);
        finish(JobEnd::Failed);
        setStatus(stage.failedIndex, RowStatus::Failed, stage.reason);
        if (!m_aborting)
            m_prompter.warn("Conversion Failed",
                            "The conversion of " + QFileInfo(entry.path).fileName() + " failed.\n" + stage.reason);
        m_state = JobState::Idle;
    }
    m_view.showProgress(false);
    closeJob();
}
