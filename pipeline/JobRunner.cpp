// The job runner: the start request's checks, the job state, Stop and the clock.
#include "pipeline/JobRunner.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"
#include "core/TimeText.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobFolder.h"
#include "pipeline/JobSettingsFrom.h"
#include "pipeline/LeftOutTracks.h"
#include "pipeline/SameFile.h"
#include "pipeline/SpaceCheck.h"
#include "pipeline/TempFolderChoice.h"
#include "platform/Notifier.h"
#include "platform/Prompter.h"
#include "platform/SleepInhibitor.h"
#include "settings/ProgramValues.h"
#include "tasks/InputFiles.h"
#include "tasks/TaskEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

JobRunner::JobRunner(TaskRowStore& rows, JobView& view, Prompter& prompter, JobDesktop desktop)
    : m_rows(rows)
    , m_view(view)
    , m_prompter(prompter)
    , m_desktop(desktop)
{
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &JobRunner::timerTimeTimer);
}

JobRunner::~JobRunner()
{
    // No event loop may turn again: the runs end here, each killed and collected.
    for (RunHandle& run : m_runs)
        delete run.release();
}

QStringList JobRunner::inputPaths() const
{
    QStringList paths;
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        paths << entry.path;
    }
    return paths;
}

bool JobRunner::checkRequest()
{
    if (m_rows.rowCount() < 2) {
        m_prompter.inform("Add More Videos", "Please add at least 2 videos to the task for joining.");
        return false;
    }
    m_view.focusTaskList();
    if (!checkInputsAreFiles())
        return false;
    QString& output = m_settings.outputFile;
    if (output.isEmpty()) {
        m_prompter.inform("No Output File", "Please choose an output file.");
        m_view.focusOutputFile();
        return false;
    }
    const QString folder = FolderOf(output);
    if (folder.isEmpty() || !IsFolderName(folder)) {
        m_prompter.inform("Output path does not exist", "The output path does not exist. Please specify another one.");
        m_view.focusOutputFile();
        return false;
    }
    if (!IsWritableName(folder)) {
        m_prompter.inform("Output path is not writable",
                          "The output path \"" + folder + "\" cannot be written. Please specify another one.");
        m_view.focusOutputFile();
        return false;
    }
    if (output.endsWith('/')) {
        m_prompter.inform("Icorrect Filename", "Please specify the output file.");
        m_view.focusOutputFile();
        return false;
    }
    if (LastExtension(output).toLower() != m_settings.outputExt.toLower()) {
        output += m_settings.outputExt;
        m_view.setOutputFile(output);
    }
    if (!checkOutputFile(output))
        return false;
    return m_rows.rowCount() > 0;
}

void JobRunner::confirmOverwrite()
{
    // A file that appears under the name during the job was never agreed to.
    m_replaces = m_settings.policy == OverwritePolicy::Overwrite;
    if (m_settings.policy != OverwritePolicy::Ask || !ExistsName(m_settings.outputFile)) {
        confirmSpace();
        return;
    }
    askThen({Prompter::Question::Kind::YesNo, "File Exists",
             "The output file is existent. Do you want to continue and overwrite it? "
             "\n\rClick \"No\" to specify another output filename."},
            [this](bool overwrite) {
                if (!overwrite) {
                    m_view.focusOutputFile();
                    emit ended(JobEnd::NotStarted);
                    return;
                }
                m_replaces = true;
                confirmSpace();
            });
}

void JobRunner::askThen(const Prompter::Question& question, std::function<void(bool)> then)
{
    m_answered = std::move(then);
    const int asked = ++m_questions;
    m_prompter.pose(question, [self = QPointer<JobRunner>(this), asked](bool yes) {
        if (self && self->m_questions == asked && self->m_answered)
            std::exchange(self->m_answered, nullptr)(yes);
    });
}

void JobRunner::answerNow()
{
    // The answer that comes later is no longer awaited.
    ++m_questions;
    if (m_answered)
        std::exchange(m_answered, nullptr)(false);
}

bool JobRunner::checkInputsAreFiles()
{
    QStringList refused;
    for (const QString& input : inputPaths()) {
        if (const QString why = WhyNotARegularFile(input); !why.isEmpty())
            refused << input + " (" + why + ')';
    }
    if (refused.isEmpty())
        return true;
    m_prompter.warn("Input Not a File", "These inputs are not files that can be joined:\n" + refused.join('\n')
                                            + "\nPlease remove them from the task list.");
    return false;
}

bool JobRunner::checkOutputFile(const QString& output)
{
    if (IsFolderName(output)) {
        m_prompter.inform("Icorrect Filename", "\"" + output + "\" is a folder. Please specify the output file.");
        m_view.focusOutputFile();
        return false;
    }
    // A link to nothing "does not exist", so nothing would be asked; the encoder refuses it.
    const QFileInfo named(output);
    if (named.isSymLink() && !named.exists()) {
        m_prompter.warn("Output Is a Broken Link", "\"" + output + "\" is a symbolic link to a file that does not "
                                                   "exist.\nPlease specify another output filename.");
        m_view.focusOutputFile();
        return false;
    }
    // Joining into one of the inputs would replace the user's video with the result; a
    // renamed output is a new file, but it is looked at all the same.
    const QStringList inputs = inputPaths();
    QString input = FindSameFile(output, inputs);
    if (input.isEmpty())
        input = FindSameFile(JoinTarget(output, m_settings.policy), inputs);
    if (input.isEmpty())
        return true;
    m_prompter.warn("Output Is an Input", "The output file is one of the input files:\n" + input
                                              + "\nPlease specify another output filename.");
    m_view.focusOutputFile();
    return false;
}

void JobRunner::confirmSpace()
{
    const TempFolderChoice temp = ChooseTempFolder(m_settings.tempDir, m_settings.fallbackTempDir);
    if (!temp.fallback.isEmpty())
        m_view.showJobNotice(temp.fallback);
    if (m_settings.spaceCheck == SpaceCheck::Skip) {
        startJob();
        return;
    }
    SpaceNeed need;
    need.tempFolder = temp.folder;
    need.outputFolder = FolderOf(m_settings.outputFile);
    need.outputKbits = m_settings.outputKbits;
    need.plan = m_settings.plan;
    need.copiesStreams = CopiesStreams(m_settings.joinOptions().text);
    for (int index = 0; index < m_rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(m_rows, index, EntryWhole, entry);
        if (entry.LengthSeconds > 0)
            need.totalSeconds += entry.LengthSeconds;
        need.inputBytes += SizeOfName(entry.path);
        ++need.inputCount;
    }
    const std::optional<SpaceShortage> shortage = FindSpaceShortage(need);
    if (!shortage) {
        startJob();
        return;
    }
    if (m_settings.spaceCheck == SpaceCheck::Refuse) {
        m_prompter.error("Not Enough Space", SpaceShortageText(*shortage) + "\nGive --force to start all the same.");
        emit ended(JobEnd::NotStarted);
        return;
    }
    askThen({Prompter::Question::Kind::Warning, "Not Enough Space",
             SpaceShortageText(*shortage) + "\nDo you want to start the job all the same?"},
            [this](bool start) { start ? startJob() : emit ended(JobEnd::NotStarted); });
}

void JobRunner::tbtnStartClick(const JobSettings& settings)
{
    m_settings = settings;
    m_aborting = false;
    m_reencodeDiffering = false;
    m_end = JobEnd::NotStarted;
    // The rows tell of this job from its checks on, not of the job before.
    m_notes.clear();
    setEveryStatus(RowStatus::Ok);
    if (!ProfileAccepted(m_settings, m_prompter) || !checkRequest()) {
        emit ended(JobEnd::NotStarted);
        return;
    }
    confirmLeftOut();
}

QString JobRunner::LeftOutNotice(const TaskRowStore& rows, const JobSettings& settings)
{
    return ::LeftOutNotice(rows, settings.outputExt, settings.tracks, settings.plan,
                           !CopiesStreams(settings.joinOptions().text));
}

void JobRunner::confirmLeftOut()
{
    const QString notice = LeftOutNotice(m_rows, m_settings);
    if (!notice.isEmpty())
        m_view.showJobNotice(notice);
    if (notice.isEmpty() || !m_settings.askLeftOut) {
        confirmOverwrite();
        return;
    }
    askThen({Prompter::Question::Kind::GoOn, LeftOutCaption, notice, "OK"},
            [this](bool goOn) { goOn ? confirmOverwrite() : emit ended(JobEnd::NotStarted); });
}

void JobRunner::startJob()
{
    if (!makeJobFolder()) {
        emit ended(JobEnd::NotStarted);
        return;
    }
    m_output = m_settings.outputFile;
    m_inputIdentities.take(inputPaths());
    m_jobMark.clear();
    for (int half = 0; half < 2; ++half)
        m_jobMark += QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
    m_joinOptions = m_settings.joinOptions();
    m_frameSize = m_settings.frameSize();
    m_view.EnterJobMode();
    if (m_desktop.inhibitor) {
        m_desktop.inhibitor->inhibit("Joining " + QString::number(m_rows.rowCount()) + " videos into "
                                     + QFileInfo(m_output).fileName());
    }
    ConvertFiles(m_frameSize);
}

void JobRunner::tbtnStopClick()
{
    if (m_state != JobState::Running)
        return;
    m_state = JobState::StopRequested;
    answerNow();
    for (const RunHandle& run : m_runs)
        run->stop();
}

void JobRunner::Abort()
{
    m_aborting = true;
    tbtnStopClick();
    // A question before the start, too, is answered: the job is not started.
    answerNow();
    // The program is ending: no grace period. Each run's end moves its stage on to the
    // stop's ending, the last of them to the job's end.
    std::vector<EncoderRun*> runs;
    for (const RunHandle& run : m_runs)
        runs.push_back(run.get());
    for (EncoderRun* run : runs)
        run->endNow();
}

void JobRunner::timerTimeTimer()
{
    // Until work has been seen to go on, no remaining time is shown rather than a guess.
    const std::optional<int> remaining = m_progress.tick(m_sinceStart.elapsed() / 1000.0);
    m_view.setTimes(elapsedText(), remaining ? SecondsToTimeText(*remaining) : QString());
}

QString JobRunner::elapsedText() const
{
    return SecondsToTimeText(static_cast<int>(m_sinceStart.elapsed() / 1000));
}

QString JobRunner::JoinTarget(const QString& outputFile, OverwritePolicy policy)
{
    if (policy != OverwritePolicy::Rename || !ExistsName(outputFile))
        return outputFile;
    // Never over an existing file: "_1", then "_2", ... until a name is free.
    for (int index = 1;; ++index) {
        const QString candidate = NumberedOutput(outputFile, index);
        if (!ExistsName(candidate))
            return candidate;
    }
}

QString JobRunner::NumberedOutput(const QString& outputFile, int number)
{
    const QString name = QFileInfo(outputFile).fileName();
    return AddTrailingBackslash(FolderOf(outputFile)) + StripExtension(name) + "_" + QString::number(number)
        + LastExtension(name);
}

QStringList JobRunner::joinArguments(const PlanCommands& plan, const QStringList& inputs) const
{
    QStringList arguments = plan.join(inputs, m_settings.outputFile, m_conversions.pieceRows).arguments;
    if (m_reencodeDiffering)
        arguments.prepend("-reencode-differing");
    return m_replaces ? arguments : QStringList{"-noreplace"} + arguments;
}

QString JobRunner::writtenOutput(const EncoderRun& run) const
{
    return run.told().renamedTo.isEmpty() ? m_settings.outputFile : run.told().renamedTo;
}

EncoderRun* JobRunner::launchEncoder(const QStringList& arguments, std::function<void(EncoderRun*)> onEnded)
{
    auto run = std::make_unique<EncoderRun>();
    connect(run.get(), &EncoderRun::outputSeen, this, [this](const QByteArray& chunk) { m_view.showEncoderOutput(chunk); });
    connect(run.get(), &EncoderRun::stepSeen, this, [this](encoderlines::Step step) { m_progress.tellStep(step); });
    // The encoder keeps the files of its own runs in the job's folder, which every ending removes.
    QByteArrayList environment{"VELMO_JOB_MARK=" + m_jobMark};
    if (m_jobFolder)
        environment << "TMPDIR=" + NameBytes(m_jobFolder->path());
    if (!run->start(m_settings.encoderPath, arguments, environment))
        return nullptr;
    EncoderRun* started = run.get();
    connect(started, &EncoderRun::ended, this, [started, onEnded = std::move(onEnded)] { onEnded(started); });
    m_runs.emplace_back(run.release());
    return started;
}

JobRunner::RunHandle JobRunner::takeRun(EncoderRun* run)
{
    const auto owned = std::find_if(m_runs.begin(), m_runs.end(), [run](const auto& each) { return each.get() == run; });
    RunHandle taken = std::move(*owned);
    m_runs.erase(owned);
    return taken;
}

void JobRunner::setStatus(int index, RowStatus status, const QString& reason)
{
    writeStatusCells(index, StatusWords(status), reason);
}

void JobRunner::writeStatusCells(int index, const QString& words, const QString& reason)
{
    ltvItemData entry;
    entry.cells[CellStatus] = words;
    entry.cells[CellFailure] = reason.isEmpty() ? m_notes.value(index) : reason;
    WriteTaskEntry(m_rows, index, CellStatus, entry);
    WriteTaskEntry(m_rows, index, CellFailure, entry);
}

void JobRunner::setEveryStatus(RowStatus status, const QString& reason)
{
    for (int index = 0; index < m_rows.rowCount(); ++index)
        setStatus(index, status, reason);
}

void JobRunner::setStatuses(const QList<int>& rows, RowStatus status)
{
    for (int index : rows)
        setStatus(index, status);
}

void JobRunner::restoreStatuses(const Converting& conversion)
{
    for (int member = 0; member < conversion.group.rows.size(); ++member) {
        const ltvItemData& entry = conversion.entries[member];
        writeStatusCells(conversion.group.rows[member], entry.cells[CellStatus], entry.cells[CellFailure]);
    }
}

void JobRunner::takeNotes(const EncoderRun& run, const QList<int>& inputRows, bool oneEntry)
{
    const auto keep = [this](int row, const QString& note) {
        m_notes[row] += (m_notes[row].isEmpty() ? "" : "\n") + note;
    };
    for (const QString& note : run.notes()) {
        m_view.showEncoderNote(note);
        if (oneEntry)
            keep(inputRows.front(), note);
    }
    // Any other run says which of its inputs a note is of.
    if (!oneEntry)
        for (const EncoderTold::OfInput& note : run.told().notes)
            if (note.input < inputRows.size())
                keep(inputRows[note.input], note.words);
}

void JobRunner::showBars(ProgressBars bars)
{
    m_bars = bars;
    m_view.setBars(bars.current, bars.total);
}

void JobRunner::showCurrent(int current)
{
    showBars({current, m_progress.total()});
}

void JobRunner::removeJobFolder()
{
    m_jobFolder.reset();
}

void JobRunner::finish(JobEnd end)
{
    m_end = end;
    if (m_desktop.inhibitor)
        m_desktop.inhibitor->release();
    if (m_aborting || !m_desktop.notifier || m_view.isWatched())
        return;
    const QString summary = end == JobEnd::Completed ? "Joining completed"
        : end == JobEnd::Stopped                     ? "Joining stopped"
                                                     : "Joining failed";
    m_desktop.notifier->notify(summary, QFileInfo(m_output).fileName());
}

void JobRunner::endJob()
{
    m_clock.stop();
    m_view.showProgress(false);
    m_state = JobState::Idle;
}

void JobRunner::closeJob()
{
    removeJobFolder();
    m_view.LeaveJobMode();
    emit ended(m_end);
}
