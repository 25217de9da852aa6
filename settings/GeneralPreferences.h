#pragma once

#include <QString>

// The general preferences: the temp folder, what happens when a job completes, and what
// happens when the output file exists. The settings dialog's controls hold them while the
// program runs; "Preferences.ini" keeps them between runs.
struct GeneralPreferences {
    QString outputFile;
    QString tempDir;
    bool openDir = true;
    bool exit = false;
    bool turnOff = false;
    // The overwrite choice: at most one of the three, possibly none.
    bool ask = true;
    bool overwrite = false;
    bool rename = false;
    // Each file encoded once, straight into the output's codec, instead of into an
    // intermediate AVI first.
    bool encodeOnce = true;
    // Every file's sound brought to the same loudness in the join.
    bool evenLoudness = false;
    // A chapter at each joined file, in the outputs that keep chapters.
    bool chapters = true;

    bool operator==(const GeneralPreferences&) const = default;
};

// The overwrite choice as its radio buttons take stored flags, in the order "Ask",
// "Overwrite", "Rename": a true flag selects its button and clears the others, a false
// flag clears only its own button.
void SetOverwriteFlags(GeneralPreferences& preferences, bool ask, bool overwrite, bool rename);

// The "Main" section, with the defaults of a missing file or key.
GeneralPreferences ReadMainPreferences(const QString& iniPath, const QString& defaultTempDir);

// The factory values of the "Default" section over current, which keeps its temp folder.
GeneralPreferences ReadDefaultPreferences(const QString& iniPath, const GeneralPreferences& current);

// Writes the "Main" keys in their order; throws IniWriteError when the file cannot be
// written, leaving the keys from the failing one on unwritten.
void WriteMainPreferences(const QString& iniPath, const GeneralPreferences& preferences);
