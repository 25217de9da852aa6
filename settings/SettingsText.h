#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// A settings file's bytes as lines of text. Each line keeps its own bytes, so that a file
// written back is the same byte for byte except for the lines the program put in; new
// lines are written in the file's own encoding and with its own line ends.
class SettingsText {
public:
    enum class Encoding { Utf8, EightBit, Utf16LE, Utf16BE };

    struct Line {
        QByteArray bytes; // in the file's encoding, without the line end
        QByteArray end;   // the line end in the file's encoding; empty for a last line without one
        QString text;
    };

    SettingsText() = default;
    // UTF-16 is known by its byte order mark or by the zero bytes of its Latin letters.
    // A file that is not UTF-8 throughout is read line by line: a line that is UTF-8 as
    // UTF-8, any other as Latin-1, the likeliest single-byte encoding of a path.
    explicit SettingsText(const QByteArray& bytes);

    // Control characters that no text holds, more than a stray one: the file is not text.
    bool damaged() const { return m_damaged; }
    const std::vector<Line>& lines() const { return m_lines; }
    QByteArray bytes() const;

    void replace(qsizetype index, const QString& text);
    // Inserts after the line at index (-1: at the start); a last line without an end keeps
    // having none, the inserted text ends the file instead.
    void insertAfter(qsizetype index, const QString& text);

private:
    QByteArray encode(const QString& text) const;
    QString decode(const QByteArray& bytes) const;
    QByteArray usualEnd() const;

    Encoding m_encoding = Encoding::Utf8;
    QByteArray m_byteOrderMark;
    std::vector<Line> m_lines;
    bool m_damaged = false;
};
