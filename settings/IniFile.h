#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// A write that the file system refused. Its text is shown to the user as it stands.
class IniWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One INI settings file. Nothing is cached: every read goes to the file and every
// write replaces the file at once, atomically (a new file is written, then renamed
// over the old one), so a crash or a full disk never leaves a half-written file.
// Section and key names match without regard to letter case.
class TIniFile {
public:
    static constexpr int MaxTextLength = 2047;

    explicit TIniFile(QString path);

    // The stored text (cut at MaxTextLength), or the default when the file, the section or the key is missing.
    QString ReadText(const QString& section, const QString& key, const QString& defaultText) const;
    // Decimal with an optional sign, or hexadecimal after "0x"; the default when missing, empty or not a number.
    int ReadNumber(const QString& section, const QString& key, int defaultNumber) const;
    // A number that is not 0; the default when the key holds no number.
    bool ReadFlag(const QString& section, const QString& key, bool defaultFlag) const;

    // Creates what is missing, replaces an existing value and leaves every other line as it was.
    // Throws IniWriteError("Unable to write to <path>") when the file cannot be written.
    void WriteText(const QString& section, const QString& key, const QString& text);
    void WriteNumber(const QString& section, const QString& key, int number);
    void WriteFlag(const QString& section, const QString& key, bool flag);

private:
    QStringList readLines() const;
    void writeLines(const QStringList& lines) const;

    QString m_path;
};
