#include "pipeline/JobSettingsFrom.h"

#include "pipeline/SpaceCheck.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileContents.h"
#include "settings/GeneralPreferences.h"
#include "settings/ProgramValues.h"

OverwritePolicy OverwritePolicyOf(const GeneralPreferences& preferences)
{
    // With none of the three chosen, the file is replaced.
    if (preferences.ask)
        return OverwritePolicy::Ask;
    return preferences.rename ? OverwritePolicy::Rename : OverwritePolicy::Overwrite;
}

JobSettings JobSettingsFrom(const ProgramValues& program, const GeneralPreferences& preferences,
                            const QString& profileName, const QString& outputExt, const OutputChoices& choices,
                            const QString& outputFile)
{
    JobSettings settings;
    settings.encoderPath = program.EncoderPath;
    settings.outputFile = outputFile;
    settings.outputExt = outputExt;
    settings.policy = OverwritePolicyOf(preferences);
    settings.tempDir = preferences.tempDir;
    settings.fallbackTempDir = program.DefaultTempDir;
    const QString profilePath = ProfilePathOf(program.ProgramDir, profileName);
    settings.frameSize = [profilePath, choices] { return GetOutputSize(profilePath, choices); };
    settings.joinOptions = [profilePath, choices] { return BuildEncoderOptions(profilePath, choices); };
    settings.outputKbits = OutputKbits(choices);
    return settings;
}
