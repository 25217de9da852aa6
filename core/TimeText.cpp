#include "core/TimeText.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

bool IsBlank(QChar character)
{
    return character.isSpace();
}

QString TwoDigits(std::int64_t value)
{
    return QString::number(value).rightJustified(2, '0');
}

}

QString SecondsToTimeText(double seconds)
{
    std::int64_t whole = static_cast<std::int64_t>(seconds);
    // Halves go to the even neighbour (0.25 s is ".2", 0.75 s is ".8").
    std::int64_t tenths = static_cast<std::int64_t>(std::nearbyint((seconds - static_cast<double>(whole)) * 10.0));
    // A fraction of 0.95 s or more is a whole second, never ".10".
    if (tenths >= 10) {
        whole += 1;
        tenths -= 10;
    } else if (tenths <= -10) {
        whole -= 1;
        tenths += 10;
    }
    const std::int64_t hours = whole / 3600;
    const std::int64_t minutes = (whole - 3600 * hours) / 60;
    const std::int64_t secs = whole - 3600 * hours - 60 * minutes;
    QString text = TwoDigits(hours) + ':' + TwoDigits(minutes) + ':' + TwoDigits(secs);
    if (tenths != 0)
        text += '.' + QString::number(tenths);
    return text;
}

double TimeTextToSeconds(const QString& text)
{
    const qsizetype firstColon = text.indexOf(':');
    if (firstColon < 0)
        return -1;
    const QString hoursText = text.left(firstColon);
    const QString rest = text.mid(firstColon + 1);
    const qsizetype secondColon = rest.indexOf(':');
    if (secondColon < 0)
        return -1;
    const QString minutesText = rest.left(secondColon);
    const QString secondsText = rest.mid(secondColon + 1);

    bool hoursOk = false;
    bool minutesOk = false;
    bool secondsOk = false;
    // Blanks are allowed around the seconds only.
    const bool blankInHoursOrMinutes = std::any_of(hoursText.begin(), hoursText.end(), IsBlank)
        || std::any_of(minutesText.begin(), minutesText.end(), IsBlank);
    const qint64 hours = hoursText.toLongLong(&hoursOk);
    const qint64 minutes = minutesText.toLongLong(&minutesOk);
    const double secs = secondsText.trimmed().toDouble(&secondsOk);
    if (blankInHoursOrMinutes || !hoursOk || !minutesOk || !secondsOk || !std::isfinite(secs)
        || secondsText.startsWith('.'))
        return -1;
    return static_cast<double>(hours) * 3600 + static_cast<double>(minutes) * 60 + secs;
}
