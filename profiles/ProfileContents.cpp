#include "profiles/ProfileContents.h"

#include "settings/IniFile.h"

#include <QFileInfo>

#include <algorithm>

std::optional<ProfileContents> ReadProfile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    const TIniFile profile(path);
    ProfileContents contents;
    contents.type = profile.ReadText("Main", "Type", "avi");
    contents.tracks = ReadTrackChoice(path);
    for (ProfileSection section : AllProfileSections) {
        const QString name = SectionName(section);
        ProfileList& list = contents.lists[static_cast<int>(section)];
        // A damaged count must not make the program read for ever.
        const int items = std::min(profile.ReadNumber(name, "Items", 0), MaxProfileItems);
        for (int i = 0; i < items; ++i)
            list.captions << profile.ReadText(name, "Caption" + QString::number(i), QString());
        list.index = profile.ReadNumber(name, "Index", -1);
    }
    return contents;
}

OutputChoices InitialChoices(const ProfileContents& profile)
{
    const auto index = [&](ProfileSection section) {
        const ProfileList& list = profile.list(section);
        return list.index >= 0 && list.index < list.captions.size() ? list.index : -1;
    };
    const auto text = [&](ProfileSection section) {
        const int position = index(section);
        return position < 0 ? QString() : profile.list(section).captions[position];
    };
    OutputChoices choices;
    choices.videoCodec = index(ProfileSection::VideoCodec);
    choices.videoBitrate = text(ProfileSection::VideoBitrate);
    choices.aspect = index(ProfileSection::Aspect);
    choices.videoSize = index(ProfileSection::VideoSize);
    choices.audioCodec = index(ProfileSection::AudioCodec);
    choices.audioCodecCaption = text(ProfileSection::AudioCodec);
    choices.audioBitrate = text(ProfileSection::AudioBitrate);
    choices.encodeTo = index(ProfileSection::Mp3Encode);
    choices.quality = index(ProfileSection::VbrQuality);
    choices.mp3Bitrate = index(ProfileSection::AbrCbrBitrate);
    choices.channels = index(ProfileSection::Channels);
    choices.sampleRate = text(ProfileSection::SampleRate);
    choices.tracks = profile.tracks;
    return choices;
}

QString ProfilePathOf(const QString& programDir, const QString& profileName)
{
    return programDir + "Profiles/" + profileName + ".bpf";
}

QString DescribeSetting(const QString& profilePath, ProfileSection section, const QString& currentText)
{
    const QString description = TIniFile(profilePath).ReadText(SectionName(section), "Description", QString());
    return description + "\nCurrent Value: " + currentText;
}
