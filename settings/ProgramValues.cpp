#include "settings/ProgramValues.h"

#include "core/PathRules.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

QString ProgramValues::caption() const
{
    return QString(ProductName) + " V" + VersionText;
}

ProgramValues LoadProgramValues(const QString& programDir)
{
    ProgramValues values;
    values.ProgramDir = AddTrailingBackslash(programDir);
    values.EncoderPath = values.ProgramDir + "asapi.dll";
    // The version is the installed program's, whatever the user's own copy says.
    values.VersionText = TIniFile(values.ProgramDir + "Preferences.ini")
                             .ReadText("Main", "Version", ProgramValues::DefaultVersion);
    values.HelpFilePath = values.ProgramDir + "Velmo.chm";
    values.HelpPagesPath = values.ProgramDir + "help/index.html";
    PlacePreferences(values, access(QFile::encodeName(values.ProgramDir).constData(), W_OK) == 0);
    return values;
}

void PlacePreferences(ProgramValues& values, bool programDirWritable)
{
    if (programDirWritable) {
        values.PreferencesPath = values.ProgramDir + "Preferences.ini";
        values.DefaultTempDir = values.ProgramDir + "temp/";
        return;
    }
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/velmo-joiner/";
    values.PreferencesPath = own + "Preferences.ini";
    values.DefaultTempDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/velmo-joiner/temp/";
    if (!QFileInfo::exists(values.PreferencesPath) && QDir().mkpath(own)
        && QFile::copy(values.ProgramDir + "Preferences.ini", values.PreferencesPath)) {
        // The installed file may be read-only; the user's copy is the user's to change.
        QFile::setPermissions(values.PreferencesPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                          | QFile::ReadOther);
    }
}

const QStringList& OutputExtensions()
{
    static const QStringList extensions{".avi", ".mpg", ".mp4", ".wmv", ".mov", ".vob", ".asf", ".flv",
                                        ".mkv", ".webm"};
    return extensions;
}
