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

// Why the path names something other than a regular file (a named pipe, a device, a
// socket, a folder), which is never read as an input: reading a pipe or a device may
// wait for ever. Empty for a regular file, a link to one, and a path that names nothing.
QString WhyNotARegularFile(const QString& path);

// The entries with accepted names directly inside the folder but its folders, in natural
// name order, each named by its bytes as the file system holds them; hidden ones are left
// out.
QStringList FolderInputFiles(const QString& folder);
