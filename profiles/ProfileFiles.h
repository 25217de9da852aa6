#pragma once

#include <QString>
#include <QStringList>

// Names (without folder) of the plain, visible files in folder whose extension equals
// extension (".bpf"), ignoring letter case, in case-insensitive alphabetical order.
// A missing folder gives an empty list.
QStringList ListFilesByExt(const QString& folder, const QString& extension);
