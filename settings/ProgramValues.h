#pragma once

#include <QString>
#include <QStringList>

// The program-wide values that start-up sets and the windows read.
struct ProgramValues {
    static constexpr const char* ProductName = "Velmo AVI Video Joiner";
    static constexpr const char* HomePage = "https://www.velmo-software.example/joiner/";
    static constexpr const char* SupportMail = "support@velmo-software.example";
    static constexpr const char* SalesMail = "sales@velmo-software.example";
    static constexpr const char* MakerName = "Velmo Software";
    static constexpr const char* CopyrightYears = "2006-2026";
    static constexpr const char* DefaultVersion = "1.5";
    // The file the build lays into its program folder, which an installed folder lacks.
    static constexpr const char* BuildFolderMark = ".build-folder";

    QString ProgramDir;   // the program's own folder, ending in "/"
    QString EncoderPath;  // ProgramDir + "asapi.dll"
    QString VersionText;  // "Version" of "Main" in "Preferences.ini"
    QString HelpFilePath; // ProgramDir + "Velmo.chm"
    QString HelpPagesPath; // the same help as web pages, for desktops that cannot open ".chm"
    // Beside the program in a build folder; otherwise in the user's own configuration
    // ($XDG_CONFIG_HOME/velmo-joiner/) and cache ($XDG_CACHE_HOME/velmo-joiner/temp/) folders.
    QString PreferencesPath;
    QString DefaultTempDir; // ending in "/"
    // What the user is told once at start-up when the preferences file was set aside as
    // damaged; empty otherwise.
    QString PreferencesNote;

    QString profilesFolder() const { return ProgramDir + "Profiles/"; }
    // "Velmo AVI Video Joiner V1.5"
    QString caption() const;
};

// Reads what start-up needs from the program folder (which may lack its trailing "/").
ProgramValues LoadProgramValues(const QString& programDir);

// Where the preferences and the default temp folder are, for a build folder or an installed
// one. The user's own "Preferences.ini" is first made as a copy of the one beside the program.
void PlacePreferences(ProgramValues& values, bool buildFolder);

// A preferences file that is not text is renamed "….damaged" (or "….damaged.2", …, never
// over another file), so that the defaults are used and the user's file is kept as it is.
// Gives what the user is to be told, or nothing.
QString SetAsideDamagedPreferences(const QString& path);

// The output types offered by the output file dialog, in order.
const QStringList& OutputExtensions();
