#pragma once

#include <QString>

// Name and path rules shared by the task list, the profiles and the settings.

// The name's extension from its last "." on (".AVI"), or empty when it has none.
// Only the file name counts, not the folders above it.
QString LastExtension(const QString& path);

// True when the path's last extension equals extension (".bpf"), ignoring letter case.
bool HasExtension(const QString& path, const QString& extension);

// The name before its last "."; a name without "." is returned whole.
QString StripExtension(const QString& name);

// The folder part of a path without its trailing separator ("/video/a.avi" gives
// "/video"); a file in the root gives the root "/", a bare name gives "".
QString FolderOf(const QString& path);

// Appends the path separator to a folder text that does not end in one.
QString AddTrailingBackslash(const QString& folder);

// Alphabetical order ignoring letter case, the same whatever the user's locale.
bool NameLessThan(const QString& a, const QString& b);
