#include "settings/SettingsText.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

namespace {

using Encoding = SettingsText::Encoding;

bool IsUtf16(Encoding encoding)
{
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}

// Text in Latin letters has a zero byte in most UTF-16 units, on the same side of each;
// a settings file's first lines (section and key names) tell.
std::optional<Encoding> Utf16ByItsZeros(QByteArrayView bytes)
{
    const qsizetype units = std::min<qsizetype>(bytes.size() / 2, 2048);
    qsizetype lowFirst = 0;
    qsizetype highFirst = 0;
    for (qsizetype i = 0; i < units; ++i) {
        const char first = bytes[2 * i];
        const char second = bytes[2 * i + 1];
        lowFirst += first != 0 && second == 0;
        highFirst += first == 0 && second != 0;
    }
    if (units > 0 && lowFirst * 4 >= units * 3)
        return Encoding::Utf16LE;
    if (units > 0 && highFirst * 4 >= units * 3)
        return Encoding::Utf16BE;
    return std::nullopt;
}

qsizetype CountControls(QStringView text)
{
    // Tab, line feed, vertical tab, form feed, a carriage return alone and DOS's
    // end-of-file mark are found in text files; the other control characters are not.
    constexpr quint32 textControls = 1u << 0x09 | 1u << 0x0A | 1u << 0x0B | 1u << 0x0C | 1u << 0x0D | 1u << 0x1A;
    qsizetype count = 0;
    for (const QChar c : text) {
        const unsigned code = c.unicode();
        count += (code < 0x20) & !((textControls >> (code & 31)) & 1);
    }
    return count;
}

}

SettingsText::SettingsText(const QByteArray& bytes)
{
    static const QByteArray utf8Mark("\xEF\xBB\xBF");
    static const QByteArray leMark("\xFF\xFE");
    static const QByteArray beMark("\xFE\xFF");
    if (bytes.startsWith(utf8Mark)) {
        m_byteOrderMark = utf8Mark;
    } else if (bytes.startsWith(leMark) || bytes.startsWith(beMark)) {
        m_byteOrderMark = bytes.left(2);
        m_encoding = bytes.startsWith(leMark) ? Encoding::Utf16LE : Encoding::Utf16BE;
    } else if (const auto utf16 = Utf16ByItsZeros(bytes)) {
        m_encoding = *utf16;
    }
    const QByteArrayView body = QByteArrayView(bytes).sliced(m_byteOrderMark.size());
    if (m_encoding == Encoding::Utf8 && !body.isValidUtf8())
        m_encoding = Encoding::EightBit;

    const qsizetype width = IsUtf16(m_encoding) ? 2 : 1;
    const QByteArray lineFeed = encode("\n");
    const QByteArray carriageReturn = encode("\r");
    qsizetype start = 0;
    qsizetype controls = 0;
    qsizetype characters = 0;
    const auto addLine = [&](qsizetype end, qsizetype next) {
        Line line;
        line.bytes = body.sliced(start, end - start).toByteArray();
        if (next > end) {
            line.end = lineFeed;
            if (line.bytes.endsWith(carriageReturn)) {
                line.bytes.chop(width);
                line.end.prepend(carriageReturn);
            }
        }
        line.text = decode(line.bytes);
        controls += CountControls(line.text);
        characters += line.text.size() + 1;
        m_lines.push_back(std::move(line));
        start = next;
    };
    for (qsizetype from = 0, found; (found = body.indexOf(lineFeed, from)) >= 0;) {
        // A UTF-16 line feed starts at a unit's start.
        if (found % width != 0) {
            from = found + 1;
            continue;
        }
        addLine(found, found + width);
        from = start;
    }
    if (start < body.size())
        addLine(body.size(), body.size());
    m_damaged = controls > 1 && controls * 100 > characters;
}

QByteArray SettingsText::bytes() const
{
    QByteArray all = m_byteOrderMark;
    for (const Line& line : m_lines)
        all += line.bytes + line.end;
    return all;
}

void SettingsText::replace(qsizetype index, const QString& text)
{
    m_lines[index].bytes = encode(text);
    m_lines[index].text = text;
}

void SettingsText::insertAfter(qsizetype index, const QString& text)
{
    Line line{encode(text), usualEnd(), text};
    if (index >= 0 && m_lines[index].end.isEmpty())
        std::swap(line.end, m_lines[index].end);
    m_lines.insert(m_lines.begin() + index + 1, std::move(line));
}

QByteArray SettingsText::encode(const QString& text) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE)(text);
    case Encoding::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE)(text);
    case Encoding::EightBit:
        // Text that Latin-1 cannot hold has no other way into the file than UTF-8.
        if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; }))
            return text.toLatin1();
        return text.toUtf8();
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QString SettingsText::decode(const QByteArray& bytes) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless)(bytes);
    case Encoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless)(bytes);
    case Encoding::EightBit:
        return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    case Encoding::Utf8:
        break;
    }
    return QString::fromUtf8(bytes);
}

QByteArray SettingsText::usualEnd() const
{
    for (const Line& line : m_lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return encode("\n");
}
