#pragma once

#include <QString>
#include <QStringList>

// Whether two paths name one existing file: the same device and inode, whatever links,
// hard links, mounts or "." and ".." lead to it.
bool IsSameFile(const QString& first, const QString& second);

// The first of files that is the file at path; empty when none is.
QString FindSameFile(const QString& path, const QStringList& files);
