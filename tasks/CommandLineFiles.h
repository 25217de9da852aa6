#pragma once

#include <QStringList>

// The paths named on the command line. A first argument ending in ".tmp"
// (any case) is a list file written by another program: its lines are the
// paths and further arguments are not looked at. The list file is only read;
// an unreadable one names no paths.
QStringList CommandLinePaths(const QStringList& arguments);

// True when the first argument names a list file.
bool NamesListFile(const QStringList& arguments);
