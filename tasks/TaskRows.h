#pragma once

#include "tasks/MemoryTaskRowStore.h"

#include <QList>

// Every row of the task list at one moment, as a value: what Undo puts back and what
// sorting reorders.
using TaskRows = QList<MemoryTaskRowStore::Row>;

TaskRows TakeRows(const TaskRowStore& store);

// Makes the store, which holds `now`, hold `wanted` instead, selection included. Rows that
// stay at the start and at the end are left alone and only texts that differ are written,
// so putting back one removed row of thousands inserts that row alone.
void PutRows(TaskRowStore& store, const TaskRows& now, const TaskRows& wanted);

// True when both hold the same paths and cells in the same order, whatever is selected.
bool SameEntries(const TaskRows& a, const TaskRows& b);
