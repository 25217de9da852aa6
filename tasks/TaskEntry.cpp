#include "tasks/TaskEntry.h"

#include "core/TimeText.h"

namespace {

void ReadCell(const TaskRowStore& rows, int index, int cell, ltvItemData& entry)
{
    entry.cells[cell] = rows.cell(index, cell);
    if (cell == CellLength)
        entry.LengthSeconds = TimeTextToSeconds(entry.cells[cell]);
}

bool IsCell(int selector)
{
    return selector >= 0 && selector < TaskRowStore::CellCount;
}

}

void ReadTaskEntry(const TaskRowStore& rows, int index, int selector, ltvItemData& entry)
{
    if (selector == EntryWhole || selector == EntryPath)
        entry.path = rows.caption(index);
    if (selector == EntryWhole) {
        for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
            ReadCell(rows, index, cell, entry);
    } else if (IsCell(selector)) {
        ReadCell(rows, index, selector, entry);
    }
}

void WriteTaskEntry(TaskRowStore& rows, int index, int selector, const ltvItemData& entry)
{
    if (selector == EntryWhole || selector == EntryPath)
        rows.setCaption(index, entry.path);
    if (selector == EntryWhole) {
        for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
            rows.setCell(index, cell, entry.cells[cell]);
    } else if (IsCell(selector)) {
        rows.setCell(index, selector, entry.cells[selector]);
    }
}
