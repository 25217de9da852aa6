#pragma once

#include "tasks/TaskRows.h"

#include <QList>

#include <functional>

// Undo and Redo for the task list: each step keeps the whole list as it was before it.
// A kept row costs about 300 bytes, so the history keeps at most MaxKeptRows rows over all
// its steps (the oldest go first) and never fewer than the last step.
class TaskListHistory {
public:
    static constexpr int MaxSteps = 100;
    static constexpr qsizetype MaxKeptRows = 100000;

    explicit TaskListHistory(TaskRowStore& rows);

    // Runs a change of the list as one step. A change that leaves every path and cell as it
    // was is no step. A change that lets other commands run before it ends (an add) is a step
    // of its own, before theirs.
    void Record(const std::function<void()>& change);
    // The same for a change that ends later (an add that goes on in the event loop): Open
    // before it, Close with Open's number once it has ended.
    quint64 Open();
    void Close(quint64 step);

    bool CanUndo() const { return !m_undo.isEmpty(); }
    bool CanRedo() const { return !m_redo.isEmpty(); }
    // Puts the list back as it was before the last step, with the selection of that moment.
    void Undo();
    // Makes the last step undone again.
    void Redo();

private:
    struct Step {
        quint64 id;
        TaskRows rows;
    };
    // Moves the list to the rows of the last step of `from`, keeping what it holds now in `to`.
    void Swap(QList<Step>& from, QList<Step>& to);
    void Keep(QList<Step>& steps, Step step);

    TaskRowStore& m_rows;
    QList<Step> m_undo;
    QList<Step> m_redo;
    quint64 m_lastId = 0;
};
