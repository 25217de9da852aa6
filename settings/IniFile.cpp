#include "settings/IniFile.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

std::optional<QString> SectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith('[') && trimmed.endsWith(']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<QString> KeyName(const QString& line)
{
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0 || line.trimmed().startsWith(';'))
        return std::nullopt;
    return line.left(equals).trimmed();
}

struct KeyPlace {
    qsizetype sectionLine = -1;   // header line of the section, -1 when it is missing
    qsizetype keyLine = -1;       // line of the key, -1 when it is missing
    qsizetype lastContentLine = -1; // last header or key line of the section
};

KeyPlace FindKey(const QStringList& lines, const QString& section, const QString& key)
{
    KeyPlace place;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inSection)
                break;
            inSection = SameName(*name, section);
            if (inSection)
                place.sectionLine = place.lastContentLine = i;
            continue;
        }
        if (!inSection)
            continue;
        if (const auto name = KeyName(lines[i])) {
            place.lastContentLine = i;
            if (place.keyLine < 0 && SameName(*name, key))
                place.keyLine = i;
        }
    }
    return place;
}

}

TIniFile::TIniFile(QString path)
    : m_path(std::move(path))
{
}

QStringList TIniFile::readLines() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace("\r\n", "\n");
    QStringList lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TIniFile::writeLines(const QStringList& lines) const
{
    QSaveFile file(m_path);
    bool written = file.open(QIODevice::WriteOnly);
    for (const QString& line : lines) {
        if (!written)
            break;
        written = file.write(line.toUtf8()) >= 0 && file.write("\n", 1) == 1;
    }
    if (!written || !file.commit())
        throw IniWriteError(QString("Unable to write to %1").arg(m_path).toStdString());
}

QString TIniFile::ReadText(const QString& section, const QString& key, const QString& defaultText) const
{
    const QStringList lines = readLines();
    const KeyPlace place = FindKey(lines, section, key);
    if (place.keyLine < 0)
        return defaultText;
    const QString& line = lines[place.keyLine];
    return line.mid(line.indexOf('=') + 1).left(MaxTextLength);
}

int TIniFile::ReadNumber(const QString& section, const QString& key, int defaultNumber) const
{
    const QString text = ReadText(section, key, QString());
    bool ok = false;
    int number = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        number = static_cast<int>(text.mid(2).toUInt(&ok, 16));
    else
        number = text.toInt(&ok, 10);
    return ok ? number : defaultNumber;
}

bool TIniFile::ReadFlag(const QString& section, const QString& key, bool defaultFlag) const
{
    return ReadNumber(section, key, defaultFlag ? 1 : 0) != 0;
}

void TIniFile::WriteText(const QString& section, const QString& key, const QString& text)
{
    QStringList lines = readLines();
    const KeyPlace place = FindKey(lines, section, key);
    const QString keyLine = key + '=' + text;
    if (place.keyLine >= 0) {
        lines[place.keyLine] = keyLine;
    } else if (place.sectionLine >= 0) {
        lines.insert(place.lastContentLine + 1, keyLine);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << '[' + section + ']' << keyLine;
    }
    writeLines(lines);
}

void TIniFile::WriteNumber(const QString& section, const QString& key, int number)
{
    WriteText(section, key, QString::number(number));
}

void TIniFile::WriteFlag(const QString& section, const QString& key, bool flag)
{
    WriteText(section, key, flag ? "1" : "0");
}
