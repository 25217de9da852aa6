#include "platform/CompletionActions.h"
#include "settings/GeneralPreferences.h"
#include "settings/IniFile.h"
#include "settings/ProgramValues.h"
#include "tests/support/FakePower.h"
#include "tests/support/FakePrompter.h"
#include "tests/support/FakeShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Preferences : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("Preferences.ini"); }
    void write(const QByteArray& text)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QTemporaryDir m_dir;
};

}

TEST_F(Preferences, ReadingMainAndDefaultWithTheOverwriteRule)
{
    GeneralPreferences expected;
    expected.tempDir = "/prog/temp/";
    EXPECT_EQ(ReadMainPreferences(path(), "/prog/temp/"), expected) << "no file: every default, Ask chosen";

    struct Case {
        const char* flags;
        bool ask, overwrite, rename;
    };
    for (const Case& test : {Case{"Ask=1\nOverwrite=1\nRename=0\n", false, true, false},
                             Case{"Ask=0\nOverwrite=0\nRename=0\n", false, false, false},
                             Case{"Ask=1\nOverwrite=0\nRename=1\n", false, false, true},
                             Case{"Overwrite=0\n", true, false, false}}) {
        write(QByteArray("[Main]\nTemp Dir=\n") + test.flags);
        const GeneralPreferences read = ReadMainPreferences(path(), "/prog/temp/");
        EXPECT_EQ(read.tempDir, "") << "a temp folder stored empty stays empty";
        EXPECT_EQ((std::array{read.ask, read.overwrite, read.rename}),
                  (std::array{test.ask, test.overwrite, test.rename}))
            << test.flags;
    }

    // No "Default" section: its own fallbacks, which open no folder; the temp folder stays.
    GeneralPreferences current;
    current.outputFile = "/videos/out.avi";
    current.tempDir = "/scratch/";
    current.exit = current.turnOff = true;
    SetOverwriteFlags(current, false, false, true);
    const GeneralPreferences factory = ReadDefaultPreferences(path(), current);
    EXPECT_EQ(factory.outputFile, "");
    EXPECT_EQ(factory.tempDir, "/scratch/");
    EXPECT_FALSE(factory.openDir || factory.exit || factory.turnOff);
    EXPECT_TRUE(factory.ask && !factory.overwrite && !factory.rename);
}

TEST_F(Preferences, WrittenInOrderAndReadBack)
{
    write("[Main]\nVersion=1.5\nProfile=2\n");
    GeneralPreferences stored;
    stored.outputFile = "/videos/joined.mp4";
    stored.tempDir = "/scratch";
    stored.openDir = false;
    stored.exit = true;
    stored.encodeOnce = false;
    stored.evenLoudness = true;
    stored.chapters = false;
    SetOverwriteFlags(stored, false, false, false);
    WriteMainPreferences(path(), stored);
    EXPECT_EQ(ReadMainPreferences(path(), "unused"), stored);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[Main]\nVersion=1.5\nProfile=2\nOutput File=/videos/joined.mp4\nTemp Dir=/scratch\n"
                              "Auto Open Dir=0\nAuto Exit=1\nAuto Turn Off=0\nAsk=0\nOverwrite=0\nRename=0\n"
                              "Encode Once=0\nEven Loudness=1\nChapters=0\n");
}

TEST_F(Preferences, InstalledForAllUsersTheyLiveInTheUsersOwnFolders)
{
    write("[Main]\nVersion=1.5\nAsk=0\n");
    const QString home = m_dir.filePath("home");
    qputenv("XDG_CONFIG_HOME", (home + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home + "/cache").toUtf8());

    // The folder may be written by this user (by root, any folder may): installed, it is only read.
    ProgramValues values = LoadProgramValues(m_dir.path());
    EXPECT_EQ(values.PreferencesPath, home + "/config/velmo-joiner/Preferences.ini");
    EXPECT_EQ(values.DefaultTempDir, home + "/cache/velmo-joiner/temp/");
    EXPECT_FALSE(TIniFile(values.PreferencesPath).ReadFlag("Main", "Ask", true)) << "seeded from the installed file";
    TIniFile(values.PreferencesPath).WriteFlag("Main", "Ask", true);
    PlacePreferences(values, false);
    EXPECT_TRUE(TIniFile(values.PreferencesPath).ReadFlag("Main", "Ask", false)) << "seeded only once";
    EXPECT_FALSE(TIniFile(path()).ReadFlag("Main", "Ask", true)) << "the installed file is never written";

    QFile(m_dir.filePath(ProgramValues::BuildFolderMark)).open(QIODevice::WriteOnly);
    values = LoadProgramValues(m_dir.path());
    EXPECT_EQ(values.PreferencesPath, path()) << "a build folder keeps them beside the program";
    EXPECT_EQ(values.DefaultTempDir, m_dir.path() + "/temp/");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
}

TEST(CompletionActions, TheFirstChosenActionDecides)
{
    // The folder opens only after the success message was closed.
    struct OrderedShell : Shell {
        explicit OrderedShell(const FakePrompter& prompter) : prompter(prompter) {}
        void open(const QString& target, std::function<void(bool)> answered) override
        {
            opened << target;
            messagesBefore = prompter.messages.size();
            answered(true);
        }
        const FakePrompter& prompter;
        QStringList opened;
        qsizetype messagesBefore = -1;
    };
    struct Case {
        bool turnOff, exit, openDir;
        const char* outputFile;
        bool closes;
        int powerOffs;
        const char* opened; // nullptr: nothing opened
        bool message;
        bool countdownEnds = true; // false: the user cancelled the power-off
        const char* refusal = "";
    };
    const Case cases[] = {
        {true, true, true, "/v/out.avi", true, 1, nullptr, false},
        {true, false, true, "/v/out.avi", false, 0, nullptr, false, false},
        {true, false, true, "/v/out.avi", false, 1, "/v", true, true, "No message bus."},
        {false, true, true, "/v/out.avi", true, 0, "/v", false},
        {false, false, true, "/v/out.avi", false, 0, "/v", true},
        {false, false, true, "/out.avi", false, 0, "/", true},
        {false, false, false, "/v/out.avi", false, 0, nullptr, true},
    };
    for (const Case& test : cases) {
        FakePrompter prompter;
        OrderedShell shell(prompter);
        FakePower power;
        power.refusal = test.refusal;
        int closed = 0;
        const auto countdown = [&test](const std::function<void(bool)>& decided) { decided(test.countdownEnds); };
        RunCompletionActions({test.turnOff, test.exit, test.openDir, test.outputFile}, {prompter, shell, power, countdown},
                             [&] { ++closed; });
        const std::string what = std::string(test.outputFile) + (test.turnOff ? " off" : "") + (test.exit ? " exit" : "")
            + (test.openDir ? " open" : "") + (test.countdownEnds ? "" : " cancelled") + test.refusal;
        EXPECT_EQ(closed, test.closes ? 1 : 0) << what;
        EXPECT_EQ(power.powerOffs, test.powerOffs) << what;
        EXPECT_EQ(power.interactive, test.powerOffs > 0) << "the right is asked for before the power-off";
        EXPECT_EQ(shell.opened, test.opened ? QStringList{test.opened} : QStringList()) << what;
        // A refused power-off is told first.
        const qsizetype refusals = *test.refusal ? 1 : 0;
        if (test.opened) {
            EXPECT_EQ(shell.messagesBefore, refusals + (test.message ? 1 : 0))
                << "the folder opens after the message, if any";
        }
        ASSERT_EQ(prompter.messages.size(), refusals + (test.message ? 1 : 0)) << what;
        if (test.message) {
            EXPECT_EQ(prompter.messages.back().caption, "Complete");
            EXPECT_EQ(prompter.messages.back().text, "The joining is completed successfully.");
        }
    }
}