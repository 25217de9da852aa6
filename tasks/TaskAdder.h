#pragma once

#include "platform/Prompter.h"
#include "tasks/ListButtons.h"
#include "tasks/TaskRowStore.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

struct TaskAddHooks {
    // Hides the intro panel that covers the empty list.
    std::function<void()> hideIntro;
    // Lets the window repaint and answer while a command adds files.
    // Empty: the waiting events of the running Qt application are processed.
    std::function<void()> processEvents;
    // How far the running command has got, each time events have been processed:
    // files done (added or not) of the files it found.
    std::function<void(int done, int found)> progress;
    // The adding has ended, before the message about the files not added.
    std::function<void()> ended;
    // How often events are processed, in milliseconds; 0: before every file.
    // Often enough that the window paints and answers Esc and closing at once;
    // after every file, repainting a growing list cost more than the probing.
    int eventIntervalMs = 100;
};

// Adds files to the task list. Each adding command (a dialog selection, a
// folder, a drop, the command line) first finds its files, then adds them one
// by one, processing window events now and then, and names the files that
// could not be added, with the reason, in one message when it ends.
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
    // The inputs named on the console's command line, each named on purpose: a
    // file is added whatever its extension, a folder gives its accepted files, a
    // file named twice is listed twice without a question, and every name that
    // gives no row is named with its reason. Gives those names with their reasons.
    QStringList AddNamedInputs(const QStringList& arguments);

    // True while a command is adding files.
    bool IsAdding() const { return m_depth > 0; }
    // Ends the running commands before their next file; what was added stays,
    // and the files that could not be added are still named.
    void Stop();
    // As Stop, without another message or question: the window is closing.
    void StopQuietly();

    // The steps the commands are made of; `skipped` gathers, for the one
    // message of a command, each file that could not be added with the reason.

    // Appends one entry after the duplicate question. True when a row was added. When
    // more files of the same command follow, the question also offers Yes and No to All.
    bool AddTaskFile(const QString& path, QStringList& skipped);
    // Adds the accepted files directly inside the folder, in natural name order.
    void AddTaskDirectory(const QString& folder, QStringList& skipped);
    // The one message of a command that skipped files; nothing when none.
    void ReportSkipped(const QStringList& skipped);

private:
    // Adds the files of one command in order; stops early on Stop.
    void AddEach(const QStringList& files, QStringList& skipped);
    // The command's end: the message about skipped files, and the buttons.
    ListButtons Finish(const QStringList& skipped);
    void Begin();
    // The duplicate question, or the answer given to all of the command's files.
    bool AddAgain(const QString& path);

    TaskRowStore& rows_;
    Prompter& prompter_;
    TaskAddHooks hooks_;
    // Commands can run inside one another: another add while events are processed.
    int m_depth = 0;
    bool m_stopping = false;
    bool m_quiet = false;
    // A file listed already is listed again without the question.
    bool m_listAgain = false;
    // The running command's answer for all its duplicates, if one was given.
    enum class Duplicates { Ask, AddAll, SkipAll };
    Duplicates m_duplicates = Duplicates::Ask;
    // The file being added is not the command's last.
    bool m_moreFollow = false;
    QElapsedTimer m_sinceEvents;
};
