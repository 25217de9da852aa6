#include "pipeline/InputIdentities.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"

#include <QFileInfo>

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    // The encoder follows links, so a link pointed elsewhere is another file too.
    const std::optional<struct stat> status = StatOfName(path);
    if (!status)
        return std::nullopt;
    return FileIdentity{status->st_dev, status->st_ino, status->st_size, status->st_mtim.tv_sec,
                        status->st_mtim.tv_nsec};
}

void InputIdentities::take(const QStringList& paths)
{
    m_paths = paths;
    m_identities.clear();
    for (const QString& path : paths)
        m_identities << IdentityOf(path);
}

int InputIdentities::firstChanged(const QList<int>& rows) const
{
    for (int row : rows)
        if (IdentityOf(m_paths[row]) != m_identities[row])
            return row;
    return -1;
}

int InputIdentities::firstChanged() const
{
    QList<int> rows;
    for (int row = 0; row < m_paths.size(); ++row)
        rows << row;
    return firstChanged(rows);
}

QString InputIdentities::changeText(int row) const
{
    return ShownName(QFileInfo(m_paths[row]).fileName())
        + " changed while the job was running (replaced or rewritten): nothing was written";
}
