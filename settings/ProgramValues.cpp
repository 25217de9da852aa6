#include "settings/ProgramValues.h"

#include "core/PathRules.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A link to nothing takes its name too: a copy must not be made through it.
bool Taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}

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
    // Only the build marks its folder as the program's own to write; an installed folder is
    // read alone, by root too, so that the package manager finds it as it laid it down.
    const bool buildFolder = QFileInfo::exists(values.ProgramDir + ProgramValues::BuildFolderMark)
        && access(QFile::encodeName(values.ProgramDir).constData(), W_OK) == 0;
    PlacePreferences(values, buildFolder);
    values.PreferencesNote = SetAsideDamagedPreferences(values.PreferencesPath);
    return values;
}

void PlacePreferences(ProgramValues& values, bool buildFolder)
{
    if (buildFolder) {
        values.PreferencesPath = values.ProgramDir + "Preferences.ini";
        values.DefaultTempDir = values.ProgramDir + "temp/";
        return;
    }
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/velmo-joiner/";
    values.PreferencesPath = own + "Preferences.ini";
    values.DefaultTempDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/velmo-joiner/temp/";
    if (!Taken(values.PreferencesPath) && QDir().mkpath(own)
        && QFile::copy(values.ProgramDir + "Preferences.ini", values.PreferencesPath)) {
        // The installed file may be read-only; the user's copy is the user's to change.
        QFile::setPermissions(values.PreferencesPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                          | QFile::ReadOther);
    }
}

QString SetAsideDamagedPreferences(const QString& path)
{
    if (!TIniFile(path).damaged())
        return QString();
    QString kept = path + ".damaged";
    for (int number = 2; Taken(kept); ++number)
        kept = path + ".damaged." + QString::number(number);
    if (!QFile::rename(path, kept))
        return QString("%1 could not be read as text: it is read as well as it can be").arg(path);
    return QString("%1 could not be read as text: defaults are used; it is kept as %2")
        .arg(path, QFileInfo(kept).fileName());
}

const QStringList& OutputExtensions()
{
    static const QStringList extensions{".avi", ".mpg", ".mp4", ".wmv", ".mov", ".vob", ".asf", ".flv",
                                        ".mkv", ".webm"};
    return extensions;
}
