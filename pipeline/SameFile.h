#pragma once

#include <QString>
#include <QStringList>

// Whether two paths name one file: the same path once links and "." and ".." are
// resolved, or the same device and inode (another hard link, another mount of it).
bool IsSameFile(const QString& first, const QString& second);

// The first of files that is the file at path; empty when none is.
QString FindSameFile(const QString& path, const QStringList& files);
