#pragma once

#include "tasks/ListButtons.h"
#include "tasks/TaskRowStore.h"

#include <QString>

// The list commands that only rearrange or drop rows.

// Deletes the selected rows; the buttons go off when the list became empty.
ListButtons RemoveSelectedTasks(TaskRowStore& rows);

// Deletes every row, without a question.
ListButtons ClearTasks(TaskRowStore& rows);

// Moves every selected row one place up (down), so a selected run moves as a
// block and stays selected. A run that already touches the first (last) row
// stays where it is. The buttons do not change.
void MoveTasksUp(TaskRowStore& rows);
void MoveTasksDown(TaskRowStore& rows);

// A drag of the selection: the rows move as that many presses of Move Up (places < 0) or
// Move Down (places > 0) would move them.
void MoveTasksBy(TaskRowStore& rows, int places);

// The path of the first selected row in list order (what Open plays); empty
// when nothing is selected.
QString FirstSelectedTaskPath(const TaskRowStore& rows);

// The status bar's line: how many files the list holds and their total length (the
// Length cells that hold a time text).
QString TaskListSummary(const TaskRowStore& rows);

// Which items of the list's popup menu are enabled when it opens.
struct TaskMenuState {
    bool open = false;
    bool addFiles = true;
    bool addDirectory = true;
    bool remove = false;
    bool clear = false;
    bool sort = false;
};
TaskMenuState TaskMenuRule(const TaskRowStore& rows);
