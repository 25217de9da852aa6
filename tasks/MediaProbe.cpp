#include "tasks/MediaProbe.h"

#include "core/TimeText.h"
#include "tasks/MediaInfoDll.h"

#include <cmath>

std::optional<MediaProbe> ProbeMedia(const QString& path)
{
    const MediaInfoDll::Answers answers = MediaInfoDll::Query(path);
    bool ok = false;
    const double milliseconds = answers.playTime.toDouble(&ok);
    if (!ok || !std::isfinite(milliseconds) || milliseconds < 0)
        return std::nullopt;
    return MediaProbe{SecondsToTimeText(milliseconds / 1000.0), answers.width + 'x' + answers.height};
}
