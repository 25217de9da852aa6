#pragma once

#include <QString>

// Durations as "hh:mm:ss" with an optional "." and tenths (the Length column and the clock).
QString SecondsToTimeText(double seconds);

// Reads a time text back; -1 when it is malformed.
double TimeTextToSeconds(const QString& text);
