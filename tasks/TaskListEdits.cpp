#include "tasks/TaskListEdits.h"

#include "core/TimeText.h"
#include "tasks/TaskEntry.h"

namespace {

bool AnySelected(const TaskRowStore& rows)
{
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (rows.isSelected(row))
            return true;
    }
    return false;
}

// Exchanges the whole entries of two rows and moves the selection from
// `from` to `to`.
void MoveSelectedRow(TaskRowStore& rows, int from, int to)
{
    ltvItemData moving;
    ltvItemData other;
    ReadTaskEntry(rows, from, EntryWhole, moving);
    ReadTaskEntry(rows, to, EntryWhole, other);
    WriteTaskEntry(rows, to, EntryWhole, moving);
    WriteTaskEntry(rows, from, EntryWhole, other);
    rows.setSelected(to, true);
    rows.setSelected(from, false);
}

}

ListButtons RemoveSelectedTasks(TaskRowStore& rows)
{
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        if (rows.isSelected(row))
            rows.removeRow(row);
    }
    return rows.rowCount() == 0 ? ListButtons::Disable : ListButtons::Unchanged;
}

ListButtons ClearTasks(TaskRowStore& rows)
{
    for (int row = rows.rowCount() - 1; row >= 0; --row)
        rows.removeRow(row);
    return ListButtons::Disable;
}

void MoveTasksUp(TaskRowStore& rows)
{
    // Rows above `firstFree` are a selected run held at the top edge.
    int firstFree = 0;
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (!rows.isSelected(row))
            continue;
        if (row == firstFree)
            ++firstFree;
        else
            MoveSelectedRow(rows, row, row - 1);
    }
}

void MoveTasksDown(TaskRowStore& rows)
{
    // Rows below `lastFree` are a selected run held at the bottom edge.
    int lastFree = rows.rowCount() - 1;
    for (int row = rows.rowCount() - 1; row >= 0; --row) {
        if (!rows.isSelected(row))
            continue;
        if (row == lastFree)
            --lastFree;
        else
            MoveSelectedRow(rows, row, row + 1);
    }
}

void MoveTasksBy(TaskRowStore& rows, int places)
{
    for (; places < 0; ++places)
        MoveTasksUp(rows);
    for (; places > 0; --places)
        MoveTasksDown(rows);
}

QString TaskListSummary(const TaskRowStore& rows)
{
    double seconds = 0;
    for (int row = 0; row < rows.rowCount(); ++row) {
        ltvItemData entry;
        ReadTaskEntry(rows, row, CellLength, entry);
        if (entry.LengthSeconds > 0)
            seconds += entry.LengthSeconds;
    }
    const int count = rows.rowCount();
    return QString::number(count) + (count == 1 ? " file, " : " files, ") + "total length "
        + SecondsToTimeText(seconds);
}

QString FirstSelectedTaskPath(const TaskRowStore& rows)
{
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (rows.isSelected(row)) {
            ltvItemData entry;
            ReadTaskEntry(rows, row, EntryPath, entry);
            return entry.path;
        }
    }
    return {};
}

TaskMenuState TaskMenuRule(const TaskRowStore& rows)
{
    TaskMenuState state;
    state.open = AnySelected(rows);
    state.remove = state.open;
    state.clear = rows.rowCount() > 0;
    state.sort = rows.rowCount() > 1;
    return state;
}
