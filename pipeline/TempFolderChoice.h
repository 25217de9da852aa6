#pragma once

#include <QString>

// The temp folder a job uses: the Temp Dir of the general settings where it can be used,
// else the program's own, and the words that tell the user so. The job measures, names and
// writes into this one folder.
struct TempFolderChoice {
    QString folder;   // as the settings name it
    QString fallback; // why the named folder is not used and which is instead; empty when it is
};

// The named folder can be used when it is a folder, or when it is missing and its parent is
// a folder this user may write to: a mistyped parent is not created.
TempFolderChoice ChooseTempFolder(const QString& named, const QString& fallbackFolder);
