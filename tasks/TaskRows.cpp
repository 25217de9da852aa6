#include "tasks/TaskRows.h"

#include <algorithm>

namespace {

using Row = MemoryTaskRowStore::Row;

bool SameEntry(const Row& a, const Row& b)
{
    return a.caption == b.caption && a.cells == b.cells;
}

void WriteRow(TaskRowStore& store, int index, const Row& now, const Row& wanted)
{
    if (now.caption != wanted.caption)
        store.setCaption(index, wanted.caption);
    for (int cell = 0; cell < TaskRowStore::CellCount; ++cell) {
        if (now.cells[cell] != wanted.cells[cell])
            store.setCell(index, cell, wanted.cells[cell]);
    }
}

}

TaskRows TakeRows(const TaskRowStore& store)
{
    TaskRows rows;
    rows.reserve(store.rowCount());
    for (int index = 0; index < store.rowCount(); ++index) {
        Row row{store.caption(index), {}, store.isSelected(index)};
        for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
            row.cells[cell] = store.cell(index, cell);
        rows.append(std::move(row));
    }
    return rows;
}

void PutRows(TaskRowStore& store, const TaskRows& now, const TaskRows& wanted)
{
    const int nowCount = static_cast<int>(now.size());
    const int wantedCount = static_cast<int>(wanted.size());
    int first = 0;
    while (first < nowCount && first < wantedCount && SameEntry(now[first], wanted[first]))
        ++first;
    int nowEnd = nowCount;
    int wantedEnd = wantedCount;
    while (nowEnd > first && wantedEnd > first && SameEntry(now[nowEnd - 1], wanted[wantedEnd - 1])) {
        --nowEnd;
        --wantedEnd;
    }
    // Between the rows kept at both ends: rows rewritten in place, then rows taken out or put in.
    const int rewritten = std::min(nowEnd, wantedEnd) - first;
    for (int index = first; index < first + rewritten; ++index)
        WriteRow(store, index, now[index], wanted[index]);
    for (int index = nowEnd - 1; index >= first + rewritten; --index)
        store.removeRow(index);
    for (int index = first + rewritten; index < wantedEnd; ++index) {
        store.insertRow(index, wanted[index].caption);
        WriteRow(store, index, Row{wanted[index].caption, {}, false}, wanted[index]);
    }
    for (int index = 0; index < wantedCount; ++index) {
        if (store.isSelected(index) != wanted[index].selected)
            store.setSelected(index, wanted[index].selected);
    }
}

bool SameEntries(const TaskRows& a, const TaskRows& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameEntry);
}
