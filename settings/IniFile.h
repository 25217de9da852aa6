#pragma once

#include "settings/SettingsText.h"

#include <QHash>
#include <QString>

#include <optional>
#include <stdexcept>

// A write that the file system refused. Its text is shown to the user as it stands.
class IniWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One INI settings file, read once when the object is made, so that reading many keys
// costs one pass over the file. Every write replaces the file at once, atomically (a new
// file is written, then renamed over the old one), so a crash or a full disk never leaves
// a half-written file; a written key changes its own line alone, every other byte stays
// as the user wrote it, in the file's own encoding. Section and key names match without
// regard to letter case; of sections or keys named twice, the first counts.
class TIniFile {
public:
    static constexpr int MaxTextLength = 2047;

    explicit TIniFile(QString path);

    // The file holds bytes that no text file holds (see SettingsText).
    bool damaged() const { return m_text.damaged(); }

    // The stored text (cut at MaxTextLength), or the default when the file, the section or the key is missing.
    QString ReadText(const QString& section, const QString& key, const QString& defaultText) const;
    // Decimal with an optional sign, or hexadecimal after "0x"; the default when missing, empty or not a number.
    int ReadNumber(const QString& section, const QString& key, int defaultNumber) const;
    // A number that is not 0; the default when the key holds no number.
    bool ReadFlag(const QString& section, const QString& key, bool defaultFlag) const;

    // Creates what is missing and replaces an existing value; a value that is already
    // stored leaves the file untouched. Throws IniWriteError("Unable to write to <path>")
    // when the file cannot be written.
    void WriteText(const QString& section, const QString& key, const QString& text);
    void WriteNumber(const QString& section, const QString& key, int number);
    void WriteFlag(const QString& section, const QString& key, bool flag);

    // Why a write would be refused, found without writing: an existing file that cannot
    // be read (its lines would be lost), a folder, a link to nothing (its target is not
    // made), a folder that cannot be written. Nothing when a write may succeed.
    std::optional<QString> writeRefusal() const;

private:
    struct Section {
        qsizetype headerLine = -1;
        qsizetype lastContentLine = -1; // last header or key line
        QHash<QString, qsizetype> keyLines;
    };

    void index();
    std::optional<qsizetype> keyLine(const QString& section, const QString& key) const;
    void writeFile() const;

    QString m_path;
    bool m_unreadable = false;
    SettingsText m_text;
    QHash<QString, Section> m_sections;
};
