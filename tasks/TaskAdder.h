#pragma once

#include "platform/Prompter.h"
#include "tasks/ListButtons.h"
#include "tasks/TaskRowStore.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

struct TaskAddHooks {
    // Hides the intro panel that covers the empty list.
    std::function<void()> hideIntro;
    // Runs the next batch of an add once the window has painted and answered what came
    // meanwhile (Esc, closing, a drop). Empty: the batches run one after the other at
    // once, so that a command has added all its files when it returns.
    std::function<void(std::function<void()> batch)> later;
    // How far the running command has got, after each batch that leaves it unfinished:
    // files done (added or not) of the files it found.
    std::function<void(int done, int found)> progress;
    // Every command has ended: what the list buttons do now. Told before the message about
    // the files not added.
    std::function<void(ListButtons)> ended;
    // How long a batch adds files before the window has its turn, in milliseconds; 0: one
    // file a batch. Short enough that the window paints and answers Esc and closing at once;
    // a file a batch would repaint the growing list for each file, which costs more than
    // the probing.
    int batchMs = 100;
};

// Adds files to the task list. Each adding command (a dialog selection, a folder, a drop,
// the command line) first finds its files, then adds them in batches, and names the files
// that could not be added, with the reason, in one message when it ends. A command given
// while another adds waits behind it.
class TaskAdder {
public:
    TaskAdder(TaskRowStore& rows, Prompter& prompter, TaskAddHooks hooks = {});

    // The commands. The list buttons' change comes through `ended`.

    // The Add Files dialog's names in the order the dialog gives them; no
    // extension check.
    void AddFiles(const QStringList& chosen);
    // Empty folder: the picker was cancelled.
    void AddDirectory(const QString& folder);
    // Files and folders dropped on the window; ignored while the list is
    // disabled by a job.
    void AddDropped(const QStringList& names, bool listEnabled);
    // The program's arguments, without the program itself.
    void AddFromCommandLine(const QStringList& arguments);
    // The inputs named on the console's command line, each named on purpose: a
    // file is added whatever its extension, a folder gives its accepted files, a
    // file named twice is listed twice without a question, and every name that
    // gives no row is named with its reason. Runs to its end before it returns, and
    // gives those names with their reasons.
    QStringList AddNamedInputs(const QStringList& arguments);

    // True while a command is adding files.
    bool IsAdding() const { return !m_commands.empty(); }
    // Ends the commands before their next file; what was added stays, and the files that
    // could not be added are still named.
    void Stop();
    // As Stop, without another message or question: the window is closing.
    void StopQuietly();

    // Appends one entry, its file probed; a file that gives none is named in skipped
    // with the reason. True when a row was added.
    bool AddTaskFile(const QString& path, QStringList& skipped);

private:
    // One file of a command, or a name that gives none, with the reason.
    struct Item {
        QString file;
        QString refusal;
    };
    struct Command {
        std::deque<Item> items;
        int found = 0;
        QStringList skipped;
        // A file listed already is listed again without the question.
        bool listAgain = false;
        // The answer for all its duplicates, if one was given.
        enum class Duplicates { Ask, AddAll, SkipAll } duplicates = Duplicates::Ask;
    };

    static Command CommandOf(const QStringList& files);
    void begin(Command command);
    // Adds files of the first command until its time is up; ends the commands done.
    void runBatch();
    void finishFirst();
    void finishAll();
    void scheduleBatch();
    // Adds a file that is not listed yet; asks about one that is, unless the command's
    // answer for all its files was given. When more files of the command follow, the
    // question also offers Yes and No to All.
    void addOrAsk(Command& command, const QString& path);
    // The one message of a command that skipped files; nothing when none.
    void ReportSkipped(const QStringList& skipped);

    TaskRowStore& rows_;
    Prompter& prompter_;
    TaskAddHooks hooks_;
    std::deque<Command> m_commands;
    // A duplicate question is open: the batches wait for its answer.
    bool m_asking = false;
    // Counts the questions, so that the answer to one asked before a stop is passed over.
    int m_questions = 0;
    bool m_inBatch = false;
    bool m_scheduled = false;
    bool m_stopping = false;
    bool m_quiet = false;
    // What the command that ended last could not add.
    QStringList m_lastSkipped;
};
