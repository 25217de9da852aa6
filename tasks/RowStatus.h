#pragma once

#include <QString>

// Where a row's file is in a job. The job speaks in these; the list shows each in the
// words of StatusWords.
enum class RowStatus {
    Ok,
    WaitingForJoining,
    Converting,
    Joining,
    Stopped,
    Failed,
    Complete,
};

// The Status column's words for the status.
QString StatusWords(RowStatus status);
