#include "tasks/TaskAdder.h"

#include "core/PathRules.h"
#include "tasks/CommandLineFiles.h"
#include "tasks/InputFiles.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString AlreadyListedCaption = QStringLiteral("Already Listed");
const QString AlreadyListedText =
    QStringLiteral("This file has been added to the Task List already. Are you sure to add it again?");
const QString NotAddedCaption = QStringLiteral("Files Not Added");
const QString NotAddedText = QStringLiteral("These files could not be read as video and were not added:");

void ProcessWaitingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

QStringList MatchingNames(const QString& folder)
{
    QDir dir(folder);
    dir.setNameFilters(InputFileMask().split(';', Qt::SkipEmptyParts));
    // No QDir::Hidden and no QDir::System: those files are left out.
    dir.setFilter(QDir::Files);
    // Case-sensitive first, so names that differ only in case keep a fixed order.
    dir.setSorting(QDir::Name);
    QStringList names = dir.entryList();
    std::stable_sort(names.begin(), names.end(), NameLessThan);
    return names;
}

}

TaskAdder::TaskAdder(TaskRowStore& rows, Prompter& prompter, TaskAddHooks hooks)
    : rows_(rows), prompter_(prompter), hooks_(std::move(hooks))
{
    if (!hooks_.processEvents)
        hooks_.processEvents = ProcessWaitingEvents;
}

ListButtons TaskAdder::AddFiles(const QStringList& chosen)
{
    QStringList skipped;
    // The dialog gives the name the user clicked last in first place.
    for (qsizetype i = 1; i < chosen.size(); ++i)
        AddTaskFile(chosen[i], skipped);
    if (!chosen.isEmpty())
        AddTaskFile(chosen.first(), skipped);
    ReportSkipped(skipped);
    return ListButtonsAfterAdd(rows_);
}

ListButtons TaskAdder::AddDirectory(const QString& folder)
{
    QStringList skipped;
    if (!folder.isEmpty())
        AddTaskDirectory(folder, skipped);
    ReportSkipped(skipped);
    return ListButtonsAfterAdd(rows_);
}

ListButtons TaskAdder::AddDropped(const QStringList& names, bool listEnabled)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    if (!listEnabled)
        return ListButtons::Unchanged;
    QStringList skipped;
    for (const QString& name : names)
        AddPath(name, skipped);
    ReportSkipped(skipped);
    return ListButtonsAfterAdd(rows_);
}

ListButtons TaskAdder::AddFromCommandLine(const QStringList& arguments)
{
    QStringList skipped;
    for (const QString& path : CommandLinePaths(arguments)) {
        // Relative paths mean the folder the program was started in; the
        // list keeps them whole so the encoder finds them from anywhere.
        if (!path.isEmpty())
            AddPath(QFileInfo(path).absoluteFilePath(), skipped);
    }
    ReportSkipped(skipped);
    return ListButtonsAfterAdd(rows_);
}

bool TaskAdder::AddTaskFile(const QString& path, QStringList& skipped)
{
    if (hooks_.hideIntro)
        hooks_.hideIntro();
    for (int row = 0; row < rows_.rowCount(); ++row) {
        if (rows_.caption(row) == path) {
            if (!prompter_.ask(AlreadyListedCaption, AlreadyListedText))
                return false;
            break;
        }
    }
    // Probed before the row exists, so an unreadable file leaves no row behind.
    const std::optional<MediaProbe> probe = ProbeMedia(path);
    if (!probe) {
        skipped << path;
        return false;
    }
    ltvItemData entry;
    entry.path = path;
    entry.cells[CellLength] = probe->lengthText;
    entry.cells[CellSize] = probe->sizeText;
    entry.cells[CellStatus] = QStringLiteral("OK");
    entry.cells[CellName] = QFileInfo(path).completeBaseName();
    rows_.appendRow(path);
    WriteTaskEntry(rows_, rows_.rowCount() - 1, EntryWhole, entry);
    return true;
}

void TaskAdder::AddTaskDirectory(const QString& folder, QStringList& skipped)
{
    const QString prefix = AddTrailingBackslash(folder);
    for (const QString& name : MatchingNames(folder)) {
        hooks_.processEvents();
        AddTaskFile(prefix + name, skipped);
    }
}

void TaskAdder::AddPath(const QString& path, QStringList& skipped)
{
    const QFileInfo info(path);
    if (info.isDir())
        AddTaskDirectory(path, skipped);
    else if (info.isFile() && IsSupportedInput(path))
        AddTaskFile(path, skipped);
}

void TaskAdder::ReportSkipped(const QStringList& skipped)
{
    if (!skipped.isEmpty())
        prompter_.inform(NotAddedCaption, NotAddedText + '\n' + skipped.join('\n'));
}
