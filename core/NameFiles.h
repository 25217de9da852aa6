#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/stat.h>

// The file system reached by the names of core/NameBytes.h, byte for byte: what Qt's own
// file classes cannot open when a name is not UTF-8.

// stat(2) of the path, links followed; nothing when it names nothing reachable.
std::optional<struct stat> StatOfName(const QString& path);

bool IsFolderName(const QString& path);
bool ExistsName(const QString& path);
// The size of the file, 0 when it cannot be read.
qint64 SizeOfName(const QString& path);
// access(2) for reading, and for writing.
bool IsReadableName(const QString& path);
bool IsWritableName(const QString& path);

// The path from the root, as the current folder sees it, "." and ".." taken out; links
// are not followed.
QString AbsoluteName(const QString& path);

// The path of the existing file that Qt's own decoding reads as `path` (each byte that is
// not UTF-8 a replacement character), as a file dialog gives it; the path itself when it
// names something, and when no single file, or more than one, reads so.
QString FoundName(const QString& path);

// One name inside a folder, with its type as the listing gives it (DT_REG, DT_DIR, DT_LNK;
// DT_UNKNOWN where the file system does not say).
struct FolderEntry {
    QString name;
    unsigned char type;
};

// The entries of the folder, without "." and "..", in the order the file system gives
// them; nothing when it cannot be read.
QList<FolderEntry> FolderEntries(const QString& folder);
QStringList EntryNames(const QString& folder);

// Removes the file, or the folder with everything in it; a link goes, never what it names.
void RemoveTree(const QString& path);

// The whole file; nothing when it cannot be read.
std::optional<QByteArray> ReadFileOfName(const QString& path);
