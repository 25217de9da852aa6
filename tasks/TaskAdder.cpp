#include "tasks/TaskAdder.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "tasks/CommandLineFiles.h"
#include "tasks/InputFiles.h"
#include "tasks/MediaProbe.h"
#include "tasks/RowStatus.h"
#include "tasks/TaskEntry.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString AlreadyListedCaption = QStringLiteral("Already Listed");
const QString AlreadyListedText =
    QStringLiteral("This file has been added to the Task List already. Are you sure to add it again?");
const QString NotAddedCaption = QStringLiteral("Files Not Added");
const QString NotAddedText = QStringLiteral("These files were not added:");

// A dropped or command-line path: an existing folder gives its files, an
// existing accepted name itself (a pipe or device so named, to be refused by
// name), anything else nothing.
QStringList FilesOfPaths(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        if (IsFolderName(path))
            files << FolderInputFiles(path);
        else if (ExistsName(path) && IsSupportedInput(path))
            files << path;
    }
    return files;
}

}

TaskAdder::TaskAdder(TaskRowStore& rows, Prompter& prompter, TaskAddHooks hooks)
    : rows_(rows), prompter_(prompter), hooks_(std::move(hooks))
{
}

void TaskAdder::AddFiles(const QStringList& chosen)
{
    // The dialog gives the name the user clicked last in first place.
    QStringList files = chosen.mid(1);
    if (!chosen.isEmpty())
        files << chosen.first();
    begin(CommandOf(files));
}

void TaskAdder::AddDirectory(const QString& folder)
{
    begin(CommandOf(folder.isEmpty() ? QStringList() : FolderInputFiles(FoundName(folder))));
}

void TaskAdder::AddDropped(const QStringList& names, bool listEnabled)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    if (listEnabled)
        begin(CommandOf(FilesOfPaths(names)));
}

void TaskAdder::AddFromCommandLine(const QStringList& arguments)
{
    QStringList paths;
    for (const QString& path : CommandLinePaths(arguments)) {
        // Relative paths mean the folder the program was started in; the
        // list keeps them whole so the encoder finds them from anywhere.
        if (!path.isEmpty())
            paths << AbsoluteName(path);
    }
    begin(CommandOf(FilesOfPaths(paths)));
}

QStringList TaskAdder::AddNamedInputs(const QStringList& arguments)
{
    Command command;
    command.listAgain = true;
    const bool listFile = NamesListFile(arguments);
    if (listFile && !IsReadableName(arguments.first()))
        command.items.push_back({{}, ShownName(arguments.first()) + " (" + WhyNotProbed(arguments.first()) + ')'});
    for (const QString& name : CommandLinePaths(arguments)) {
        // A list file's empty lines name nothing.
        if (name.isEmpty()) {
            if (!listFile)
                command.items.push_back({{}, "\"\" (an empty name)"});
            continue;
        }
        const QString path = AbsoluteName(name);
        if (!IsFolderName(path)) {
            command.items.push_back({path, {}});
            continue;
        }
        const QStringList files = FolderInputFiles(path);
        if (files.isEmpty())
            command.items.push_back({{}, ShownName(path) + " (a folder without video files)"});
        for (const QString& file : files)
            command.items.push_back({file, {}});
    }
    command.found = static_cast<int>(command.items.size());
    // Run here to its end, behind any command before it, whatever the hooks say.
    const auto later = std::exchange(hooks_.later, nullptr);
    begin(std::move(command));
    hooks_.later = later;
    return m_lastSkipped;
}

void TaskAdder::Stop()
{
    if (!IsAdding())
        return;
    m_stopping = true;
    // An open duplicate question's late answer adds nothing.
    if (std::exchange(m_asking, false))
        ++m_questions;
    // A batch under way ends the commands itself, after its file.
    if (!m_inBatch)
        finishAll();
}

void TaskAdder::StopQuietly()
{
    if (!IsAdding())
        return;
    m_quiet = true;
    Stop();
}

bool TaskAdder::AddTaskFile(const QString& path, QStringList& skipped)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    // Looked at before anything opens it: opening a named pipe waits for a writer.
    if (const QString why = WhyNotARegularFile(path); !why.isEmpty()) {
        skipped << ShownName(path) + " (" + why + ')';
        return false;
    }
    // Probed before the row exists, so an unreadable file leaves no row behind.
    const std::optional<MediaProbe> probe = ProbeMedia(path);
    if (!probe || !probe->picture) {
        skipped << ShownName(path) + " (" + (probe ? QStringLiteral("no picture, sound only") : WhyNotProbed(path)) + ')';
        return false;
    }
    ltvItemData entry;
    entry.path = path;
    entry.cells[CellLength] = probe->lengthText;
    entry.cells[CellSize] = probe->sizeText;
    entry.cells[CellStatus] = StatusWords(RowStatus::Ok);
    entry.cells[CellName] = ShownName(QFileInfo(path).completeBaseName());
    entry.cells[CellRecorded] = probe->recorded.toString(Qt::ISODate);
    entry.cells[CellTracks] = TrackCountsText(probe->tracks);
    rows_.appendRow(path);
    WriteTaskEntry(rows_, rows_.rowCount() - 1, EntryWhole, entry);
    return true;
}

void TaskAdder::addOrAsk(Command& command, const QString& path)
{
    using Duplicates = Command::Duplicates;
    if (command.listAgain || command.duplicates == Duplicates::AddAll || !rows_.hasCaption(path)) {
        AddTaskFile(path, command.skipped);
        return;
    }
    if (command.duplicates == Duplicates::SkipAll)
        return;
    // The batch waits for the answer; the window goes on meanwhile.
    m_asking = true;
    const int asked = ++m_questions;
    auto answered = [this, path, asked](Prompter::Answer answer) {
        if (asked != m_questions || m_commands.empty())
            return;
        Command& asking = m_commands.front();
        if (answer == Prompter::Answer::YesToAll)
            asking.duplicates = Duplicates::AddAll;
        else if (answer == Prompter::Answer::NoToAll)
            asking.duplicates = Duplicates::SkipAll;
        if (answer == Prompter::Answer::Yes || answer == Prompter::Answer::YesToAll)
            AddTaskFile(path, asking.skipped);
        m_asking = false;
        // Answered at once, the batch that asked goes on by itself.
        if (!m_inBatch)
            runBatch();
    };
    const QString text = AlreadyListedText + "\n\n" + ShownName(path);
    // Yes and No to All only where more files of the command follow.
    if (command.items.empty())
        prompter_.pose({Prompter::Question::Kind::YesNo, AlreadyListedCaption, text, {}, true},
                       [answered](bool yes) { answered(yes ? Prompter::Answer::Yes : Prompter::Answer::No); });
    else
        prompter_.poseForAll(AlreadyListedCaption, text, answered);
}

TaskAdder::Command TaskAdder::CommandOf(const QStringList& files)
{
    Command command;
    for (const QString& file : files)
        command.items.push_back({file, {}});
    command.found = static_cast<int>(files.size());
    return command;
}

void TaskAdder::begin(Command command)
{
    m_commands.push_back(std::move(command));
    if (m_inBatch)
        return;
    if (m_commands.size() == 1 || !hooks_.later)
        runBatch();
}

void TaskAdder::runBatch()
{
    m_scheduled = false;
    m_inBatch = true;
    QElapsedTimer batch;
    batch.start();
    while (!m_commands.empty() && !m_asking) {
        Command& command = m_commands.front();
        if (!m_stopping && !command.items.empty()) {
            const Item item = command.items.front();
            command.items.pop_front();
            if (!item.refusal.isEmpty())
                command.skipped << item.refusal;
            else
                addOrAsk(command, FoundName(item.file));
            if (m_asking)
                break;
        }
        if (m_stopping || command.items.empty())
            finishFirst();
        else if (hooks_.later && batch.elapsed() >= hooks_.batchMs)
            break;
    }
    m_inBatch = false;
    if (m_commands.empty() || m_asking)
        return;
    const Command& running = m_commands.front();
    if (hooks_.progress)
        hooks_.progress(running.found - static_cast<int>(running.items.size()), running.found);
    scheduleBatch();
}

void TaskAdder::scheduleBatch()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    hooks_.later([this] {
        // Stopped meanwhile: nothing is left to add.
        if (m_scheduled && IsAdding())
            runBatch();
    });
}

void TaskAdder::finishFirst()
{
    const Command command = std::move(m_commands.front());
    m_commands.pop_front();
    m_lastSkipped = command.skipped;
    if (m_commands.empty()) {
        m_scheduled = false;
        const bool quiet = std::exchange(m_quiet, false);
        m_stopping = false;
        if (hooks_.ended)
            hooks_.ended(ListButtonsAfterAdd(rows_));
        if (!quiet)
            ReportSkipped(command.skipped);
        return;
    }
    if (!m_quiet)
        ReportSkipped(command.skipped);
}

void TaskAdder::finishAll()
{
    while (!m_commands.empty())
        finishFirst();
}

void TaskAdder::ReportSkipped(const QStringList& skipped)
{
    if (!skipped.isEmpty())
        prompter_.inform(NotAddedCaption, NotAddedText + '\n' + skipped.join('\n'));
}
