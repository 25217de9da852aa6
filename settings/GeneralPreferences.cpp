#include "settings/GeneralPreferences.h"

#include "settings/IniFile.h"

void SetOverwriteFlags(GeneralPreferences& preferences, bool ask, bool overwrite, bool rename)
{
    bool* const buttons[] = {&preferences.ask, &preferences.overwrite, &preferences.rename};
    const bool flags[] = {ask, overwrite, rename};
    for (int i = 0; i < 3; ++i) {
        if (flags[i])
            for (int other = 0; other < 3; ++other)
                *buttons[other] = other == i;
        else
            *buttons[i] = false;
    }
}

GeneralPreferences ReadMainPreferences(const QString& iniPath, const QString& defaultTempDir)
{
    const TIniFile ini(iniPath);
    GeneralPreferences preferences;
    preferences.outputFile = ini.ReadText("Main", "Output File", QString());
    preferences.tempDir = ini.ReadText("Main", "Temp Dir", defaultTempDir);
    preferences.openDir = ini.ReadFlag("Main", "Auto Open Dir", true);
    preferences.exit = ini.ReadFlag("Main", "Auto Exit", false);
    preferences.turnOff = ini.ReadFlag("Main", "Auto Turn Off", false);
    SetOverwriteFlags(preferences, ini.ReadFlag("Main", "Ask", true), ini.ReadFlag("Main", "Overwrite", false),
                      ini.ReadFlag("Main", "Rename", false));
    preferences.encodeOnce = ini.ReadFlag("Main", "Encode Once", true);
    preferences.evenLoudness = ini.ReadFlag("Main", "Even Loudness", false);
    preferences.chapters = ini.ReadFlag("Main", "Chapters", true);
    return preferences;
}

GeneralPreferences ReadDefaultPreferences(const QString& iniPath, const GeneralPreferences& current)
{
    const TIniFile ini(iniPath);
    GeneralPreferences preferences = current;
    preferences.outputFile = ini.ReadText("Default", "Output File", QString());
    // Unlike "Main", the factory section opens no folder when it says nothing.
    preferences.openDir = ini.ReadFlag("Default", "Auto Open Dir", false);
    preferences.exit = ini.ReadFlag("Default", "Auto Exit", false);
    preferences.turnOff = ini.ReadFlag("Default", "Auto Turn Off", false);
    SetOverwriteFlags(preferences, ini.ReadFlag("Default", "Ask", true), ini.ReadFlag("Default", "Overwrite", false),
                      ini.ReadFlag("Default", "Rename", false));
    preferences.encodeOnce = ini.ReadFlag("Default", "Encode Once", true);
    preferences.evenLoudness = ini.ReadFlag("Default", "Even Loudness", false);
    preferences.chapters = ini.ReadFlag("Default", "Chapters", true);
    return preferences;
}

void WriteMainPreferences(const QString& iniPath, const GeneralPreferences& preferences)
{
    TIniFile ini(iniPath);
    ini.WriteText("Main", "Output File", preferences.outputFile);
    ini.WriteText("Main", "Temp Dir", preferences.tempDir);
    ini.WriteFlag("Main", "Auto Open Dir", preferences.openDir);
    ini.WriteFlag("Main", "Auto Exit", preferences.exit);
    ini.WriteFlag("Main", "Auto Turn Off", preferences.turnOff);
    ini.WriteFlag("Main", "Ask", preferences.ask);
    ini.WriteFlag("Main", "Overwrite", preferences.overwrite);
    ini.WriteFlag("Main", "Rename", preferences.rename);
    ini.WriteFlag("Main", "Encode Once", preferences.encodeOnce);
    ini.WriteFlag("Main", "Even Loudness", preferences.evenLoudness);
    ini.WriteFlag("Main", "Chapters", preferences.chapters);
}
