#pragma once

#include <QString>
#include <QStringList>

// The first of files that is the file at path (the same device and inode, whatever
// links, hard links, mounts or "." and ".." lead to it); empty when none is.
QString FindSameFile(const QString& path, const QStringList& files);
