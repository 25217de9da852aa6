#pragma once

#include "tasks/TaskRowStore.h"

#include <QString>

#include <array>

// One task entry, copied by value between rows and readers.
struct ltvItemData {
    QString path;
    std::array<QString, TaskRowStore::CellCount> cells;
    // Parsed from the length cell on every read, -1 when it is not a time text.
    double LengthSeconds = -1;
    // The length where it is known, else 0: what a total may add up.
    double KnownSeconds() const { return LengthSeconds > 0 ? LengthSeconds : 0; }
};

// The cells that the program fills.
enum TaskCell {
    CellLength = 0,
    CellSize = 1,
    CellStatus = 2,
    CellName = 3,
    // Why the entry failed, for the Status cell's tooltip; empty otherwise.
    CellFailure = 4,
    // When the file was recorded as its own data says (ISO 8601), or empty: what
    // sorting by date reads, so that it need not open every file again.
    CellRecorded = 5,
    // The file's sound, subtitle and attached tracks as TrackCountsText writes them: what
    // the job says an output type leaves out, without opening every file again.
    CellTracks = 6,
};

// Selectors of ReadTaskEntry and WriteTaskEntry besides the cell numbers 0 to 9.
constexpr int EntryWhole = -2;
constexpr int EntryPath = -1;

// Whole: path, ten cells and the length's seconds. Path: the path only.
// A cell number: that cell, and for the length also its seconds.
void ReadTaskEntry(const TaskRowStore& rows, int index, int selector, ltvItemData& entry);

// Whole: path and ten cells. Path: the path only. A cell number: that cell.
// Seconds values are derived, never written.
void WriteTaskEntry(TaskRowStore& rows, int index, int selector, const ltvItemData& entry);
