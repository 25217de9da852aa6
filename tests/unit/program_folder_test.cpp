#include "profiles/ProfileFiles.h"
#include "settings/IniFile.h"
#include "tests/support/Clips.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

// The build lays out everything the program opens beside itself.
TEST(ProgramFolder, HoldsTheProgramsPreferencesProfilesAndHelp)
{
    const QString folder = ProgramFolder();
    EXPECT_TRUE(QFileInfo(folder + "velmo-joiner").isExecutable());
    EXPECT_TRUE(QFileInfo(folder + "asapi.dll").isExecutable());
    EXPECT_GT(QFileInfo(folder + "Velmo.chm").size(), 0);
    EXPECT_GT(QFileInfo(folder + "help/index.html").size(), 0) << "the help for desktops without a .chm program";

    const TIniFile preferences(folder + "Preferences.ini");
    EXPECT_EQ(preferences.ReadText("Main", "Version", ""), "1.5");
    EXPECT_TRUE(preferences.ReadFlag("Default", "Ask", false));

    const QStringList profiles = ListFilesByExt(folder + "Profiles", ".bpf");
    ASSERT_FALSE(profiles.isEmpty());
    for (const QString& name : profiles) {
        const TIniFile profile(folder + "Profiles/" + name);
        EXPECT_FALSE(profile.ReadText("Main", "Type", "").isEmpty()) << name.toStdString();
        EXPECT_GT(profile.ReadNumber("Video Codec", "Items", 0), 0) << name.toStdString();
    }
}

TEST(ProgramFolder, HelpFileIsACompiledHelpFile)
{
    QFile help(ProgramFolder() + "Velmo.chm");
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    EXPECT_EQ(help.read(4), "ITSF");
}
