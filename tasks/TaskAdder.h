#pragma once

#include "platform/Prompter.h"
#include "tasks/ListButtons.h"
#include "tasks/TaskRowStore.h"

#include <QString>
#include <QStringList>

#include <functional>

struct TaskAddHooks {
    // Hides the intro panel that covers the empty list.
    std::function<void()> hideIntro;
    // Lets the window repaint and answer between the files of a folder.
    // Empty: the waiting events of the running Qt application are processed.
    std::function<void()> processEvents;
};

// Adds files to the task list. Each adding command (a dialog selection, a
// folder, a drop, the command line) collects the files that could not be
// read as video and names them in one message when it ends.
class TaskAdder {
public:
    TaskAdder(TaskRowStore& rows, Prompter& prompter, TaskAddHooks hooks = {});

    // The commands. Each returns what the five list buttons do afterwards.

    // The Add Files dialog's names in the order the dialog gives them; no
    // extension check.
    ListButtons AddFiles(const QStringList& chosen);
    // Empty folder: the picker was cancelled.
    ListButtons AddDirectory(const QString& folder);
    // Files and folders dropped on the window; ignored while the list is
    // disabled by a job.
    ListButtons AddDropped(const QStringList& names, bool listEnabled);
    // The program's arguments, without the program itself.
    ListButtons AddFromCommandLine(const QStringList& arguments);

    // The steps the commands are made of; `skipped` gathers the files of one
    // command that could not be read.

    // Appends one entry after the duplicate question. True when a row was added.
    bool AddTaskFile(const QString& path, QStringList& skipped);
    // Adds the accepted files directly inside the folder, in name order
    // ignoring case, processing window events before each.
    void AddTaskDirectory(const QString& folder, QStringList& skipped);
    // Either an existing folder or an existing accepted file; anything else
    // is passed over silently.
    void AddPath(const QString& path, QStringList& skipped);
    // The one message of a command that skipped files; nothing when none.
    void ReportSkipped(const QStringList& skipped);

private:
    TaskRowStore& rows_;
    Prompter& prompter_;
    TaskAddHooks hooks_;
};
