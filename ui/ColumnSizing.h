#pragma once

#include <QList>

// The task list's columns share a change of the list's width by fixed factors
// ("Input File" 0.49, "Length" 0.17, "Size" 0.15, "Status" 0.19), so widths that the
// user dragged stay the base and only grow or shrink with the window.
QList<int> ResizeColumns(const QList<int>& widths, int widthChange);

// A column never shrinks below this, however narrow the window gets.
constexpr int MinimumColumnWidth = 20;
