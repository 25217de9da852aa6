#include "profiles/ProfileRules.h"

#include <QRegularExpression>

bool IsWholeIn(const QString& text, WholeRange range)
{
    static const QRegularExpression digits("^-?[0-9]{1,9}$");
    if (!digits.match(text).hasMatch())
        return false;
    const int value = text.toInt();
    return value >= range.low && value <= range.high;
}

bool IsFrameSide(const QString& text)
{
    return IsWholeIn(text, FrameSideRange) && text.toInt() % 2 == 0;
}

bool IsFrameSize(const QString& text)
{
    const QStringList sides = text.split(':');
    return sides.size() == 2 && IsFrameSide(sides[0]) && IsFrameSide(sides[1]);
}

bool IsAspect(const QString& text)
{
    static const QRegularExpression number("^[0-9]{1,5}(\\.[0-9]{1,5})?$");
    const QStringList parts = text.split(QRegularExpression("[:/]"));
    if (parts.size() > 2)
        return false;
    for (const QString& part : parts)
        if (!number.match(part).hasMatch())
            return false;
    const double height = parts.size() == 2 ? parts[1].toDouble() : 1.0;
    if (height <= 0)
        return false;
    const double aspect = parts[0].toDouble() / height;
    return aspect >= 0.1 && aspect <= 10;
}

const QStringList& VideoCodecNames()
{
    static const QStringList names{"mpeg4",      "msmpeg4v2",  "msmpeg4", "wmv1", "wmv2", "mpeg1video",
                                   "mpeg2video", "h264",       "libx264", "flv",  "mjpeg", "hevc",
                                   "vp9",        "copy"};
    return names;
}

const QStringList& AudioCodecNames()
{
    static const QStringList names{"mp2", "ac3", "wmav1", "wmav2", "aac", "mp3", "libmp3lame", "opus", "copy", "once"};
    return names;
}

const QStringList& Mp3Modes()
{
    static const QStringList modes{"vbr", "abr", "cbr"};
    return modes;
}
