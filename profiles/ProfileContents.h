#pragma once

#include "profiles/OutputChoices.h"
#include "profiles/ProfileSections.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// More items than any list can usefully offer; a larger count is read as this many.
constexpr int MaxProfileItems = 1000;

// One setting's list as a profile file holds it.
struct ProfileList {
    QStringList captions;
    int index = -1; // the item selected at load; outside the list selects nothing
};

// What loading a profile puts into the output settings dialog.
struct ProfileContents {
    QString type; // the output type without its dot, "avi" when the file names none
    TrackChoice tracks = TrackChoice::All;
    std::array<ProfileList, ProfileSectionCount> lists;

    const ProfileList& list(ProfileSection section) const { return lists[static_cast<int>(section)]; }
};

// The choices a profile makes when it is loaded: its "Index" items, the list size.
OutputChoices InitialChoices(const ProfileContents& profile);

// Reads a profile file; nothing when no file is there.
std::optional<ProfileContents> ReadProfile(const QString& path);

// The profile file of a listed profile name.
QString ProfilePathOf(const QString& programDir, const QString& profileName);

// The description box's two lines for a setting: its section's "Description", then
// "Current Value: " and the box's text.
QString DescribeSetting(const QString& profilePath, ProfileSection section, const QString& currentText);
