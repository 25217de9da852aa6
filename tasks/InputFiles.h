#pragma once

#include <QString>
#include <QStringList>

// The extensions of the files the task list accepts, with their dots, in
// the order the open dialog offers them.
const QStringList& InputExtensions();

// "*.avi;*.mpg;...;" : one mask per accepted extension, each followed by ";".
const QString& InputFileMask();

// True when the path's extension, lower-cased, is one of InputExtensions().
bool IsSupportedInput(const QString& path);
