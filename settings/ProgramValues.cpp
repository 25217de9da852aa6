#include "settings/ProgramValues.h"

#include "core/PathRules.h"
#include "settings/IniFile.h"

QString ProgramValues::caption() const
{
    return QString(ProductName) + " V" + VersionText;
}

ProgramValues LoadProgramValues(const QString& programDir)
{
    ProgramValues values;
    values.ProgramDir = AddTrailingBackslash(programDir);
    values.EncoderPath = values.ProgramDir + "asapi.dll";
    values.VersionText = TIniFile(values.preferencesPath()).ReadText("Main", "Version", ProgramValues::DefaultVersion);
    values.HelpFilePath = values.ProgramDir + "Velmo.chm";
    values.HelpPagesPath = values.ProgramDir + "help/index.html";
    return values;
}

const QStringList& OutputExtensions()
{
    static const QStringList extensions{".avi", ".mpg", ".mp4", ".wmv", ".mov", ".vob", ".asf", ".flv"};
    return extensions;
}
