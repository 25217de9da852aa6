#include "pipeline/ProgressText.h"

#include <QLocale>

std::optional<double> ProgressReader::Feed(const QByteArray& chunk)
{
    const int read = m_reads++;
    if (read < UnparsedReads)
        return std::nullopt;
    // The chunk ends at its first zero byte.
    const QString text = QString::fromLatin1(chunk.left(chunk.indexOf('\0') < 0 ? chunk.size() : chunk.indexOf('\0')));
    const qsizetype pos = text.indexOf(QLatin1String("Pos:"));
    if (pos >= 0) {
        const qsizetype start = pos + 4;
        const qsizetype end = text.indexOf('s', start);
        m_progressText = end < 0 ? QString() : text.mid(start, end - start);
    }
    // The encoder always writes "." as its decimal separator, whatever the user's locale.
    bool isNumber = false;
    const double seconds = QLocale::c().toDouble(m_progressText.trimmed(), &isNumber);
    return isNumber ? std::optional<double>(seconds) : std::nullopt;
}
