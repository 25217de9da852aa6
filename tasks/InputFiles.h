#pragma once

#include <QString>
#include <QStringList>

// The extensions with their dots, in the order the open dialog offers them.

// The classic types, each with a line of its own in the open dialog.
const QStringList& InputExtensions();

// Today's containers, which the encoder reads as well; the open dialog offers
// them together on one line.
const QStringList& FurtherInputExtensions();

// "*.avi;*.mpg;...;" : one mask per accepted extension of both lists, each
// followed by ";".
const QString& InputFileMask();

// True when the path's extension, lower-cased, is one of either list.
bool IsSupportedInput(const QString& path);
