#pragma once

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

// The folders in a temp folder now, a line each with the files in it, in name order; the
// random part of the name of a job's own folder reads XXXXXX, as in
// "velmo-job-XXXXXX: 0.avi 1.avi".
inline QStringList FoldersWithFiles(const QString& tempFolder)
{
    QStringList found;
    const QDir temp(tempFolder);
    for (QString folder : temp.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QStringList files = QDir(temp.filePath(folder)).entryList(QDir::Files, QDir::Name);
        found << folder.replace(QRegularExpression("^velmo-job-\\w{6}$"), "velmo-job-XXXXXX") + ": " + files.join(' ');
    }
    return found;
}
