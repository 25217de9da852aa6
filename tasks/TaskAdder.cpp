#include "tasks/TaskAdder.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "tasks/CommandLineFiles.h"
#include "tasks/InputFiles.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString AlreadyListedCaption = QStringLiteral("Already Listed");
const QString AlreadyListedText =
    QStringLiteral("This file has been added to the Task List already. Are you sure to add it again?");
const QString NotAddedCaption = QStringLiteral("Files Not Added");
const QString NotAddedText = QStringLiteral("These files were not added:");

void ProcessWaitingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

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
    if (!hooks_.processEvents)
        hooks_.processEvents = ProcessWaitingEvents;
    m_sinceEvents.start();
}

ListButtons TaskAdder::AddFiles(const QStringList& chosen)
{
    Begin();
    // The dialog gives the name the user clicked last in first place.
    QStringList files = chosen.mid(1);
    if (!chosen.isEmpty())
        files << chosen.first();
    QStringList skipped;
    AddEach(files, skipped);
    return Finish(skipped);
}

ListButtons TaskAdder::AddDirectory(const QString& folder)
{
    Begin();
    QStringList skipped;
    if (!folder.isEmpty())
        AddTaskDirectory(FoundName(folder), skipped);
    return Finish(skipped);
}

ListButtons TaskAdder::AddDropped(const QStringList& names, bool listEnabled)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    if (!listEnabled)
        return ListButtons::Unchanged;
    Begin();
    QStringList skipped;
    AddEach(FilesOfPaths(names), skipped);
    return Finish(skipped);
}

ListButtons TaskAdder::AddFromCommandLine(const QStringList& arguments)
{
    Begin();
    QStringList paths;
    for (const QString& path : CommandLinePaths(arguments)) {
        // Relative paths mean the folder the program was started in; the
        // list keeps them whole so the encoder finds them from anywhere.
        if (!path.isEmpty())
            paths << AbsoluteName(path);
    }
    QStringList skipped;
    AddEach(FilesOfPaths(paths), skipped);
    return Finish(skipped);
}

QStringList TaskAdder::AddNamedInputs(const QStringList& arguments)
{
    Begin();
    m_listAgain = true;
    QStringList skipped;
    const bool listFile = NamesListFile(arguments);
    if (listFile && !IsReadableName(arguments.first()))
        skipped << ShownName(arguments.first()) + " (" + WhyNotProbed(arguments.first()) + ')';
    for (const QString& name : CommandLinePaths(arguments)) {
        // A list file's empty lines name nothing.
        if (name.isEmpty()) {
            if (!listFile)
                skipped << "\"\" (an empty name)";
            continue;
        }
        const QString path = AbsoluteName(name);
        if (!IsFolderName(path)) {
            AddEach({path}, skipped);
            continue;
        }
        const QStringList files = FolderInputFiles(path);
        if (files.isEmpty())
            skipped << ShownName(path) + " (a folder without video files)";
        AddEach(files, skipped);
    }
    m_listAgain = false;
    Finish(skipped);
    return skipped;
}

void TaskAdder::Stop()
{
    if (IsAdding())
        m_stopping = true;
}

void TaskAdder::StopQuietly()
{
    if (IsAdding())
        m_stopping = m_quiet = true;
}

bool TaskAdder::AddTaskFile(const QString& path, QStringList& skipped)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    if (!m_listAgain && rows_.hasCaption(path) && !AddAgain(path))
        return false;
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
    entry.cells[CellStatus] = QStringLiteral("OK");
    entry.cells[CellName] = ShownName(QFileInfo(path).completeBaseName());
    entry.cells[CellRecorded] = probe->recorded.toString(Qt::ISODate);
    rows_.appendRow(path);
    WriteTaskEntry(rows_, rows_.rowCount() - 1, EntryWhole, entry);
    return true;
}

bool TaskAdder::AddAgain(const QString& path)
{
    if (m_duplicates != Duplicates::Ask)
        return m_duplicates == Duplicates::AddAll;
    const QString text = AlreadyListedText + "\n\n" + ShownName(path);
    if (!m_moreFollow)
        return prompter_.ask(AlreadyListedCaption, text);
    switch (prompter_.askForAll(AlreadyListedCaption, text)) {
    case Prompter::Answer::Yes:
        return true;
    case Prompter::Answer::No:
        return false;
    case Prompter::Answer::YesToAll:
        m_duplicates = Duplicates::AddAll;
        return true;
    case Prompter::Answer::NoToAll:
        m_duplicates = Duplicates::SkipAll;
        return false;
    }
    return false;
}

void TaskAdder::AddTaskDirectory(const QString& folder, QStringList& skipped)
{
    AddEach(FolderInputFiles(folder), skipped);
}

void TaskAdder::ReportSkipped(const QStringList& skipped)
{
    if (!skipped.isEmpty())
        prompter_.inform(NotAddedCaption, NotAddedText + '\n' + skipped.join('\n'));
}

void TaskAdder::Begin()
{
    if (m_depth++ == 0)
        m_sinceEvents.start();
}

void TaskAdder::AddEach(const QStringList& files, QStringList& skipped)
{
    // An add inside this one (files dropped while events are processed) has answers of its own.
    const Duplicates outer = std::exchange(m_duplicates, Duplicates::Ask);
    const int found = static_cast<int>(files.size());
    for (int done = 0; done < found && !m_stopping; ++done) {
        if (m_sinceEvents.elapsed() >= hooks_.eventIntervalMs) {
            if (hooks_.progress)
                hooks_.progress(done, found);
            hooks_.processEvents();
            m_sinceEvents.restart();
            if (m_stopping)
                break;
        }
        m_moreFollow = done + 1 < found;
        AddTaskFile(FoundName(files[done]), skipped);
        m_moreFollow = false;
    }
    m_duplicates = outer;
}

ListButtons TaskAdder::Finish(const QStringList& skipped)
{
    if (m_depth == 1 && hooks_.ended)
        hooks_.ended();
    if (!m_quiet)
        ReportSkipped(skipped);
    if (--m_depth == 0)
        m_stopping = m_quiet = false;
    return ListButtonsAfterAdd(rows_);
}
