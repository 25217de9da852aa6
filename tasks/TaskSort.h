#pragma once

#include "tasks/TaskRowStore.h"

// Orders of the whole list. Rows keep their selection, and rows that the order does not
// tell apart keep their places relative to each other.

// By path in natural order (clip2 before clip10, letters without case): the files of a
// folder in the order adding the folder gives them, folder after folder.
void SortTasksByName(TaskRowStore& rows);

// By when each file was recorded, as its own data says, else when it was last modified;
// the earliest first.
void SortTasksByDate(TaskRowStore& rows);
