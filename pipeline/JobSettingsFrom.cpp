#include "pipeline/JobSettingsFrom.h"

#include "pipeline/EncoderCommandLines.h"
#include "pipeline/SpaceCheck.h"
#include "platform/Prompter.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileCheck.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileFiles.h"
#include "settings/IniFile.h"
#include "settings/GeneralPreferences.h"
#include "settings/ProgramValues.h"

#include <QThread>

#include <algorithm>

OverwritePolicy OverwritePolicyOf(const GeneralPreferences& preferences)
{
    // With none of the three chosen, the file is replaced.
    if (preferences.ask)
        return OverwritePolicy::Ask;
    return preferences.rename ? OverwritePolicy::Rename : OverwritePolicy::Overwrite;
}

int ConversionRunsAtOnce(int cores)
{
    return cores < 2 ? 1 : std::clamp(cores / 2, 2, 8);
}

QString EncodingProfileOfType(const QString& profilesFolder, const QString& outputExt)
{
    for (const QString& file : ListFilesByExt(profilesFolder, ".bpf")) {
        const TIniFile profile(profilesFolder + file);
        if ("." + profile.ReadText("Main", "Type", "avi").toLower() == outputExt.toLower()
            && profile.ReadText("Video Codec", "value0", "copy") != "copy")
            return file.chopped(4);
    }
    return {};
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
    settings.joinOptions = [profilePath, choices, even = preferences.evenLoudness, chapters = preferences.chapters] {
        JoinOptions options = BuildJoinOptions(profilePath, choices);
        options.chapters = chapters;
        return even ? WithEvenLoudness(options) : options;
    };
    settings.profileRefusal = [profilePath, choices] { return CheckProfile(profilePath, choices); };
    settings.outputKbits = OutputKbits(choices);
    settings.tracks = choices.tracks;
    settings.conversionRunsAtOnce = ConversionRunsAtOnce(QThread::idealThreadCount());
    settings.plan = preferences.encodeOnce ? JobPlan::EncodeOnce : JobPlan::Intermediate;
    settings.encodingProfile = [folder = program.profilesFolder(), outputExt] {
        return EncodingProfileOfType(folder, outputExt);
    };
    return settings;
}

bool ProfileAccepted(const JobSettings& settings, Prompter& prompter)
{
    const std::optional<ProfileRefusal> refusal = settings.profileRefusal ? settings.profileRefusal() : std::nullopt;
    if (refusal)
        prompter.warn(refusal->caption, refusal->text);
    return !refusal;
}
