#include "tasks/MediaProbe.h"

#include "core/TimeText.h"
#include "tasks/MediaInfoDll.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::optional<MediaProbe> ProbeMedia(const QString& path)
{
    const MediaInfoDll::Answers answers = MediaInfoDll::Query(path);
    bool ok = false;
    const double milliseconds = answers.playTime.toDouble(&ok);
    if (!ok || !std::isfinite(milliseconds) || milliseconds < 0)
        return std::nullopt;
    return MediaProbe{SecondsToTimeText(milliseconds / 1000.0), answers.width + 'x' + answers.height,
                      !answers.width.isEmpty()};
}

QString WhyNotProbed(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("not found");
    // The library says nothing of why it read nothing, so the file is opened
    // here the way the library opens it.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == EACCES || errno == EPERM)
            return QStringLiteral("no permission to read it");
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(descriptor);
    if (info.size() == 0)
        return QStringLiteral("empty");
    return QStringLiteral("not a video");
}
