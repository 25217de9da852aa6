#pragma once

#include "tasks/TaskRowStore.h"

// What a list command does to the five list buttons (Move Up, Move Down,
// Remove, Clear, Start); the main window applies it.
enum class ListButtons {
    Unchanged,
    Enable,
    Disable,
};

// After any adding command: enabled once the list has rows, else as they were.
inline ListButtons ListButtonsAfterAdd(const TaskRowStore& rows)
{
    return rows.rowCount() > 0 ? ListButtons::Enable : ListButtons::Unchanged;
}
