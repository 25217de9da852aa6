#include "settings/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<QString> SectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith('[') && trimmed.endsWith(']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<QString> KeyName(const QString& line)
{
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0 || QStringView(line).trimmed().startsWith(';'))
        return std::nullopt;
    return line.left(equals).trimmed();
}

bool StatOf(const QString& path, struct stat& status, bool followLink)
{
    const QByteArray name = QFile::encodeName(path);
    return (followLink ? stat(name.constData(), &status) : lstat(name.constData(), &status)) == 0;
}

}

TIniFile::TIniFile(QString path)
    : m_path(std::move(path))
{
    QFile file(m_path);
    struct stat status {};
    if (file.open(QIODevice::ReadOnly))
        m_text = SettingsText(file.readAll());
    else
        m_unreadable = StatOf(m_path, status, true) && !S_ISDIR(status.st_mode);
    index();
}

void TIniFile::index()
{
    m_sections.clear();
    std::optional<QString> current; // the section whose keys count, by its folded name
    const auto& lines = m_text.lines();
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        if (const auto name = SectionName(lines[i].text)) {
            current = name->toCaseFolded();
            if (m_sections.contains(*current))
                current.reset();
            else
                m_sections[*current].headerLine = m_sections[*current].lastContentLine = i;
            continue;
        }
        if (!current)
            continue;
        if (const auto name = KeyName(lines[i].text)) {
            Section& section = m_sections[*current];
            section.lastContentLine = i;
            const QString folded = name->toCaseFolded();
            if (!section.keyLines.contains(folded))
                section.keyLines.insert(folded, i);
        }
    }
}

std::optional<qsizetype> TIniFile::keyLine(const QString& section, const QString& key) const
{
    const auto found = m_sections.constFind(section.toCaseFolded());
    if (found == m_sections.cend())
        return std::nullopt;
    const auto line = found->keyLines.constFind(key.toCaseFolded());
    if (line == found->keyLines.cend())
        return std::nullopt;
    return *line;
}

std::optional<QString> TIniFile::writeRefusal() const
{
    const QString refusal = QString("Unable to write to %1").arg(m_path);
    struct stat status {};
    const bool present = StatOf(m_path, status, true);
    if (m_unreadable || (present && S_ISDIR(status.st_mode)))
        return refusal;
    struct stat link {};
    if (!present && StatOf(m_path, link, false))
        return refusal;
    // A link is written through: the new file is made beside its target.
    const QFileInfo target(present ? QFileInfo(m_path).canonicalFilePath() : m_path);
    if (access(QFile::encodeName(target.absolutePath()).constData(), W_OK) != 0)
        return refusal;
    return std::nullopt;
}

void TIniFile::writeFile() const
{
    if (const auto refusal = writeRefusal())
        throw IniWriteError(refusal->toStdString());
    QSaveFile file(m_path);
    const QByteArray bytes = m_text.bytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw IniWriteError(QString("Unable to write to %1").arg(m_path).toStdString());
}

QString TIniFile::ReadText(const QString& section, const QString& key, const QString& defaultText) const
{
    const auto line = keyLine(section, key);
    if (!line)
        return defaultText;
    const QString& text = m_text.lines()[*line].text;
    return QStringView(text).sliced(text.indexOf('=') + 1).left(MaxTextLength).toString();
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
    const QString keyText = key + '=' + text;
    const auto found = m_sections.constFind(section.toCaseFolded());
    if (const auto line = keyLine(section, key)) {
        // What was read back unchanged keeps its bytes, in whatever encoding they are.
        if (ReadText(section, key, QString()) == text)
            return;
        m_text.replace(*line, keyText);
    } else if (found != m_sections.cend()) {
        m_text.insertAfter(found->lastContentLine, keyText);
    } else {
        const auto& lines = m_text.lines();
        qsizetype last = qsizetype(lines.size()) - 1;
        if (last >= 0 && !lines.back().text.trimmed().isEmpty())
            m_text.insertAfter(last++, QString());
        m_text.insertAfter(last++, '[' + section + ']');
        m_text.insertAfter(last, keyText);
    }
    index();
    writeFile();
}

void TIniFile::WriteNumber(const QString& section, const QString& key, int number)
{
    WriteText(section, key, QString::number(number));
}

void TIniFile::WriteFlag(const QString& section, const QString& key, bool flag)
{
    WriteText(section, key, flag ? "1" : "0");
}
