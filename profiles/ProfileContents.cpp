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

QString ProfilePathOf(const QString& programDir, const QString& profileName)
{
    return programDir + "Profiles/" + profileName + ".bpf";
}

QString DescribeSetting(const QString& profilePath, ProfileSection section, const QString& currentText)
{
    const QString description = TIniFile(profilePath).ReadText(SectionName(section), "Description", QString());
    return description + "\nCurrent Value: " + currentText;
}
