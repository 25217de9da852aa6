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

    QString ProgramDir;   // the program's own folder, ending in "/"
    QString EncoderPath;  // ProgramDir + "asapi.dll"
    QString VersionText;  // "Version" of "Main" in "Preferences.ini"
    QString HelpFilePath; // ProgramDir + "Velmo.chm"
    QString HelpPagesPath; // the same help as web pages, for desktops that cannot open ".chm"
    // Beside the program where the user may write there; otherwise, in a folder installed
    // for all users, in the user's own configuration and cache folders.
    QString PreferencesPath;
    QString DefaultTempDir; // ending in "/"

    QString profilesFolder() const { return ProgramDir + "Profiles/"; }
    // "Velmo AVI Video Joiner V1.5"
    QString caption() const;
};

// Reads what start-up needs from the program folder (which may lack its trailing "/").
ProgramValues LoadProgramValues(const QString& programDir);

// Where the preferences and the default temp folder are, for a program folder that the
// user may write to or not. The user's own "Preferences.ini" is first made as a copy of
// the one beside the program.
void PlacePreferences(ProgramValues& values, bool programDirWritable);

// The output types offered by the output file dialog, in order.
const QStringList& OutputExtensions();
