#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

// Which file an input is, and which contents, as far as its status tells: a file moved
// over it has another device or inode, one rewritten in place another size or
// modification time.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a path leads to now; nothing when there is none.
std::optional<FileIdentity> IdentityOf(const QString& path);

// The job's inputs as they were when it started, looked at again whenever what was read
// of them is about to be used.
class InputIdentities {
public:
    void take(const QStringList& paths);
    // The first of these rows whose input is not what it was; -1 when every one is.
    int firstChanged(const QList<int>& rows) const;
    // The first of all the rows.
    int firstChanged() const;
    // Why the job fails for the input of a changed row.
    QString changeText(int row) const;

private:
    QStringList m_paths;
    QList<std::optional<FileIdentity>> m_identities;
};
