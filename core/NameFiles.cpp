#include "core/NameFiles.h"

#include "core/NameBytes.h"
#include "core/PathRules.h"

#include <QDir>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

std::optional<struct stat> StatOfName(const QString& path)
{
    struct stat status {};
    if (stat(NameBytes(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

bool IsFolderName(const QString& path)
{
    const std::optional<struct stat> status = StatOfName(path);
    return status && S_ISDIR(status->st_mode);
}

bool ExistsName(const QString& path)
{
    return StatOfName(path).has_value();
}

qint64 SizeOfName(const QString& path)
{
    const std::optional<struct stat> status = StatOfName(path);
    return status ? static_cast<qint64>(status->st_size) : 0;
}

bool IsReadableName(const QString& path)
{
    return access(NameBytes(path).constData(), R_OK) == 0;
}

bool IsWritableName(const QString& path)
{
    return access(NameBytes(path).constData(), W_OK) == 0;
}

QString AbsoluteName(const QString& path)
{
    if (path.startsWith('/'))
        return QDir::cleanPath(path);
    QByteArray current(4096, '\0');
    while (!getcwd(current.data(), static_cast<size_t>(current.size()))) {
        if (errno != ERANGE)
            return QDir::cleanPath(path);
        current.resize(current.size() * 2);
    }
    return QDir::cleanPath(NameFromBytes(current.constData()) + '/' + path);
}

QString FoundName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (!path.contains(QChar::ReplacementCharacter) || slash < 0 || ExistsName(path))
        return path;
    const QString folder = slash == 0 ? QStringLiteral("/") : FoundName(path.left(slash));
    const QString shown = path.mid(slash + 1);
    QString found;
    for (const QString& entry : EntryNames(folder)) {
        if (QString::fromUtf8(NameBytes(entry)) != shown)
            continue;
        // Two names that read alike: neither is guessed.
        if (!found.isEmpty())
            return path;
        found = entry;
    }
    return found.isEmpty() ? path : AddTrailingBackslash(folder) + found;
}

QList<FolderEntry> FolderEntries(const QString& folder)
{
    DIR* dir = opendir(NameBytes(folder).constData());
    if (!dir)
        return {};
    QList<FolderEntry> entries;
    while (const dirent* entry = readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            entries.append({NameFromBytes(name), entry->d_type});
    }
    closedir(dir);
    return entries;
}

QStringList EntryNames(const QString& folder)
{
    QStringList names;
    for (const FolderEntry& entry : FolderEntries(folder))
        names << entry.name;
    return names;
}

void RemoveTree(const QString& path)
{
    // Without a trailing "/", which would make lstat follow a link to a folder.
    const QString name = path.size() > 1 && path.endsWith('/') ? path.chopped(1) : path;
    const QByteArray bytes = NameBytes(name);
    struct stat status {};
    if (lstat(bytes.constData(), &status) != 0)
        return;
    if (!S_ISDIR(status.st_mode)) {
        unlink(bytes.constData());
        return;
    }
    for (const QString& entry : EntryNames(name))
        RemoveTree(name + '/' + entry);
    rmdir(bytes.constData());
}

std::optional<QByteArray> ReadFileOfName(const QString& path)
{
    const int fd = open(NameBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    char buffer[65536];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) != 0) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            close(fd);
            return std::nullopt;
        }
        bytes.append(buffer, count);
    }
    close(fd);
    return bytes;
}
