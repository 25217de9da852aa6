#pragma once

#include <QString>

// The pictures' folders in the temp folder: each named for the process that made it, so
// that a later start can tell the folders of windows that were killed from those of
// windows still open, and remove them.

// The QTemporaryDir pattern of this process's folder.
QString ThumbnailFolderPattern(const QString& tempFolder);

// Removes this user's pictures' folders whose process has ended; never follows a link.
void RemoveLeftThumbnailFolders(const QString& tempFolder);
