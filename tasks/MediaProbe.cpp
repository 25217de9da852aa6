#include "tasks/MediaProbe.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/TimeText.h"
#include "tasks/MediaInfoDll.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The library writes dates as "UTC 2024-05-06 07:08:09", "2024-05-06 07:08:09 UTC",
// "2024-05-06T07:08:09+02:00" or a bare "2024-05-06" or "2024", as the file holds them;
// a date without a zone is the camera's local time.
QDateTime ParseRecorded(const QString& text)
{
    static const QRegularExpression pattern(
        R"((\d{4})(?:-(\d\d)(?:-(\d\d)(?:[ T](\d\d):(\d\d)(?::(\d\d))?)?)?)?(?:\.\d+)?\s*(Z|[+-]\d\d:?\d\d)?)");
    const QRegularExpressionMatch found = pattern.match(text);
    if (!found.hasMatch())
        return {};
    const auto number = [&found](int group, int missing) {
        return found.captured(group).isEmpty() ? missing : found.captured(group).toInt();
    };
    const QDate date(number(1, 0), number(2, 1), number(3, 1));
    const QTime time(number(4, 0), number(5, 0), number(6, 0));
    const QString zone = found.captured(7);
    // Years before 1971 are clocks never set: QuickTime's zero is 1904, Unix's 1970.
    if (!date.isValid() || !time.isValid() || date.year() < 1971)
        return {};
    if (text.contains(QLatin1String("UTC")) || zone == u"Z")
        return QDateTime(date, time, QTimeZone::utc());
    if (!zone.isEmpty()) {
        const int minutes = zone.mid(1, 2).toInt() * 60 + zone.right(2).toInt();
        return QDateTime(date, time, QTimeZone((zone[0] == u'-' ? -60 : 60) * minutes));
    }
    return QDateTime(date, time);
}

}

std::optional<MediaProbe> ProbeMedia(const QString& path)
{
    const MediaInfoDll::Answers answers = MediaInfoDll::Query(path);
    bool ok = false;
    const double milliseconds = answers.playTime.toDouble(&ok);
    if (!ok || !std::isfinite(milliseconds) || milliseconds < 0)
        return std::nullopt;
    const TrackCounts tracks{answers.soundTracks.toInt(), answers.subtitleTracks.toInt(),
                             answers.attachments.isEmpty() ? 0 : int(answers.attachments.count(" / ")) + 1,
                             answers.cover.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0};
    return MediaProbe{SecondsToTimeText(milliseconds / 1000.0), answers.width + 'x' + answers.height,
                      !answers.width.isEmpty(), ParseRecorded(answers.recorded), tracks};
}

QString WhyNotProbed(const QString& path)
{
    const std::optional<struct stat> info = StatOfName(path);
    if (!info)
        return QStringLiteral("not found");
    // The library says nothing of why it read nothing, so the file is opened
    // here the way the library opens it.
    const int descriptor = ::open(NameBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == EACCES || errno == EPERM)
            return QStringLiteral("no permission to read it");
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(descriptor);
    if (info->st_size == 0)
        return QStringLiteral("empty");
    return QStringLiteral("not a video");
}
