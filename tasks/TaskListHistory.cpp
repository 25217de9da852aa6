#include "tasks/TaskListHistory.h"

#include <utility>

namespace {

qsizetype KeptRows(const auto& steps)
{
    qsizetype rows = 0;
    for (const auto& step : steps)
        rows += step.rows.size();
    return rows;
}

}

TaskListHistory::TaskListHistory(TaskRowStore& rows)
    : m_rows(rows)
{
}

void TaskListHistory::Record(const std::function<void()>& change)
{
    const quint64 step = Open();
    change();
    Close(step);
}

quint64 TaskListHistory::Open()
{
    const quint64 id = ++m_lastId;
    Keep(m_undo, Step{id, TakeRows(m_rows)});
    return id;
}

void TaskListHistory::Close(quint64 step)
{
    // Steps recorded while this change ran lie above it; it stays a step then.
    if (!m_undo.isEmpty() && m_undo.last().id == step && SameEntries(m_undo.last().rows, TakeRows(m_rows))) {
        m_undo.removeLast();
        return;
    }
    m_redo.clear();
}

void TaskListHistory::Undo()
{
    Swap(m_undo, m_redo);
}

void TaskListHistory::Redo()
{
    Swap(m_redo, m_undo);
}

void TaskListHistory::Swap(QList<Step>& from, QList<Step>& to)
{
    if (from.isEmpty())
        return;
    const Step step = from.takeLast();
    TaskRows now = TakeRows(m_rows);
    PutRows(m_rows, now, step.rows);
    Keep(to, Step{step.id, std::move(now)});
}

void TaskListHistory::Keep(QList<Step>& steps, Step step)
{
    steps.append(std::move(step));
    while (steps.size() > 1 && (steps.size() > MaxSteps || KeptRows(m_undo) + KeptRows(m_redo) > MaxKeptRows))
        steps.removeFirst();
}
