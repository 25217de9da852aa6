#include "tasks/TrackCounts.h"

#include <QStringList>

#include <algorithm>

QString TrackCountsText(const TrackCounts& counts)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(counts.sound)
        .arg(counts.subtitles)
        .arg(counts.attachments)
        .arg(counts.cover ? 1 : 0);
}

TrackCounts TrackCountsOf(const QString& text)
{
    const QStringList numbers = text.split(' ', Qt::SkipEmptyParts);
    if (numbers.size() != 4)
        return {};
    const auto number = [&numbers](int position) { return std::max(0, numbers[position].toInt()); };
    return {number(0), number(1), number(2), number(3) != 0};
}
