#pragma once

#include "tasks/TrackCounts.h"

#include <QDateTime>
#include <QString>

#include <optional>

// What the task list shows of a media file.
struct MediaProbe {
    QString lengthText; // play time as a time text, e.g. "00:01:23.5"
    QString sizeText;   // "WxH" as the library answers; "x" without video
    bool picture = false; // the file has a video stream
    QDateTime recorded;   // when the file's own data says it was recorded; invalid when it does not
    TrackCounts tracks;
};

// Nothing when the file's play time cannot be read: the file is not usable as video.
std::optional<MediaProbe> ProbeMedia(const QString& path);

// Why ProbeMedia found nothing in the file, in a few words for the user:
// "not found", "no permission to read it", "empty" or "not a video".
QString WhyNotProbed(const QString& path);
