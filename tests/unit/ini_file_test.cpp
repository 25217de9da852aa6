#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("Preferences.ini"); }

    void store(const QByteArray& content)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray stored() const
    {
        QFile file(path());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGiveTheDefaults)
{
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadText("Main", "Output File", "none"), "none");
    EXPECT_EQ(ini.ReadNumber("Main", "Profile", 7), 7);
    EXPECT_TRUE(ini.ReadFlag("Main", "Ask", true));
    EXPECT_FALSE(QFileInfo::exists(path())) << "reading must never create the file";

    store("[Main]\nVersion=2.0\n");
    EXPECT_EQ(ini.ReadText("Other", "Version", "d"), "d");
    EXPECT_EQ(ini.ReadText("Main", "Missing", "d"), "d");
}

TEST_F(IniFileTest, NamesMatchWithoutLetterCaseAndEmptyValuesStayEmptyText)
{
    store("[MAIN]\nTemp Dir=\nOUTPUT file=/home/u/movie.avi\nProfile=\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadText("main", "Output File", "d"), "/home/u/movie.avi");
    EXPECT_EQ(ini.ReadText("Main", "Temp Dir", "default"), "");
    EXPECT_EQ(ini.ReadNumber("Main", "Profile", 3), 3);
    EXPECT_TRUE(ini.ReadFlag("Main", "Temp Dir", true));
}

TEST_F(IniFileTest, NumbersAndFlagsReadAsStored)
{
    store("[N]\nhex=0x1F\nHEX=0XfF\nneg=-12\nbad=12abc\nzero=0x\nflag2=2\nflagm=-1\nword=true\nflag0=0\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadNumber("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadNumber("N", "neg", 0), -12);
    EXPECT_EQ(ini.ReadNumber("N", "bad", 5), 5);
    EXPECT_EQ(ini.ReadNumber("N", "zero", 5), 5);
    EXPECT_TRUE(ini.ReadFlag("N", "flag2", false));
    EXPECT_TRUE(ini.ReadFlag("N", "flagm", false));
    EXPECT_FALSE(ini.ReadFlag("N", "word", false));
    EXPECT_TRUE(ini.ReadFlag("N", "word", true));
    EXPECT_FALSE(ini.ReadFlag("N", "flag0", true));
}

TEST_F(IniFileTest, LongTextsAreCut)
{
    TIniFile ini(path());
    ini.WriteText("Main", "Long", QString(3000, 'a'));
    EXPECT_EQ(ini.ReadText("Main", "Long", "").size(), 2047);
}

TEST_F(IniFileTest, WritesReadBackAndLeaveOtherLinesAlone)
{
    store("; kept comment\n[Main]\nVersion=1.5\nProfile=2\n\n[Default]\nAsk=1\n");
    TIniFile ini(path());
    ini.WriteNumber("main", "PROFILE", -1);
    ini.WriteFlag("Main", "Auto Exit", true);
    ini.WriteText("Default", "Output File", " /a b/c=d.avi ");
    ini.WriteText("New", "Key", "v");

    EXPECT_EQ(ini.ReadNumber("Main", "Profile", 0), -1);
    EXPECT_TRUE(ini.ReadFlag("Main", "Auto Exit", false));
    EXPECT_EQ(ini.ReadText("Default", "Output File", ""), " /a b/c=d.avi ");
    EXPECT_EQ(stored(),
              "; kept comment\n[Main]\nVersion=1.5\nPROFILE=-1\nAuto Exit=1\n\n[Default]\nAsk=1\n"
              "Output File= /a b/c=d.avi \n\n[New]\nKey=v\n");
}

TEST_F(IniFileTest, FirstWriteCreatesTheFile)
{
    TIniFile ini(path());
    ini.WriteFlag("Main", "Ask", false);
    EXPECT_EQ(stored(), "[Main]\nAsk=0\n");
}

TEST_F(IniFileTest, RefusedWriteNamesTheFile)
{
    // A folder where the file should be: no user, not even root, can write it.
    QDir(m_dir.path()).mkdir("Preferences.ini");
    TIniFile ini(path());
    try {
        ini.WriteText("Main", "Version", "2.0");
        ADD_FAILURE() << "the write should have been refused";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(QString(error.what()), "Unable to write to " + path());
    }
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    store("[Main]\nVersion=1.5\n");
    struct stat before {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &before), 0);
    TIniFile(path()).WriteText("Main", "Version", "2.0");
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file is renamed over the old one";
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Preferences.ini"});
    EXPECT_EQ(stored(), "[Main]\nVersion=2.0\n");
}

TEST_F(IniFileTest, WriteIntoAMissingFolderIsRefused)
{
    TIniFile ini(m_dir.filePath("no/such/folder/Preferences.ini"));
    EXPECT_THROW(ini.WriteText("Main", "Version", "2.0"), IniWriteError);
}

}
