#include "settings/IniFile.h"
#include "settings/ProgramValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
    const TIniFile stored(path());
    EXPECT_EQ(stored.ReadText("Other", "Version", "d"), "d");
    EXPECT_EQ(stored.ReadText("Main", "Missing", "d"), "d");
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

namespace {

QByteArray Utf16(const QString& text, QStringConverter::Encoding encoding = QStringConverter::Utf16LE)
{
    return QStringEncoder(encoding)(text);
}

// How Preferences.ini is found: a file of the given bytes, or something else by that name.
enum class Shape { File, Folder, LinkToNothing, LinkToFile, Unreadable };
enum class Outcome { Written, SetAside, Refused };

struct LeftFile {
    const char* name;
    QByteArray before;
    QByteArray after; // once "Profile" of "Main" is 3
    Outcome outcome = Outcome::Written;
    Shape shape = Shape::File;
};

}

// Whatever a user, an editor or a crash left, the program's own key changes its line alone.
TEST_F(IniFileTest, EveryKindOfLeftFileKeepsItsBytesButTheWrittenLine)
{
    const QByteArray big(1 << 20, 'x');
    const QByteArray noise = [] {
        QByteArray bytes(4096, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        return bytes;
    }();
    const QByteArray plain("[Main]\nProfile=1\n");
    const QByteArray fresh("[Main]\nProfile=3\n");
    const LeftFile rows[] = {
        {"Latin1Path", "[Main]\nOutput File=/home/me/caf\xe9.avi\nProfile=1\n",
         "[Main]\nOutput File=/home/me/caf\xe9.avi\nProfile=3\n"},
        {"Latin1AndUtf8Lines", "[Main]\nOutput File=/v/caf\xc3\xa9.avi\nTemp Dir=/t/\xe9t\xe9\n",
         "[Main]\nOutput File=/v/caf\xc3\xa9.avi\nTemp Dir=/t/\xe9t\xe9\nProfile=3\n"},
        {"Utf8WithMark", "\xEF\xBB\xBF[Main]\nProfile=1\n", "\xEF\xBB\xBF[Main]\nProfile=3\n"},
        {"Utf16WithMark", "\xFF\xFE" + Utf16("[Main]\r\nProfile=1\r\n"), "\xFF\xFE" + Utf16("[Main]\r\nProfile=3\r\n")},
        {"Utf16WithoutMark", Utf16("[Main]\nAsk=1\n"), Utf16("[Main]\nAsk=1\nProfile=3\n")},
        {"Utf16BigEndian", Utf16("[Main]\nProfile=1\n", QStringConverter::Utf16BE),
         Utf16("[Main]\nProfile=3\n", QStringConverter::Utf16BE)},
        {"RandomBytes", noise, fresh, Outcome::SetAside},
        {"NulBytes", plain + QByteArray(64, '\0') + "\nAsk=1\n", fresh, Outcome::SetAside},
        {"OneStrayControlCharacter", "; written by hand\x01, long ago, with an editor of its time\n" + plain,
         "; written by hand\x01, long ago, with an editor of its time\n" + fresh},
        {"VeryLongLine", plain + "Note=" + big + "\n", fresh + "Note=" + big + "\n"},
        {"NoLineEndAtTheEnd", "[Main]\nAsk=1", "[Main]\nAsk=1\nProfile=3"},
        {"CarriageReturns", "[Main]\r\nAsk=1\r\n", "[Main]\r\nAsk=1\r\nProfile=3\r\n"},
        {"SectionsAndKeysTwice", "[Main]\nProfile=1\nProfile=2\n[Main]\nProfile=5\n",
         "[Main]\nProfile=3\nProfile=2\n[Main]\nProfile=5\n"},
        {"Folder", "", "", Outcome::Refused, Shape::Folder},
        {"LinkToNothing", "", "", Outcome::Refused, Shape::LinkToNothing},
        {"LinkToAFile", plain, fresh, Outcome::Written, Shape::LinkToFile},
        // Root reads and writes it all the same.
        {"Unreadable", plain, getuid() == 0 ? fresh : plain, getuid() == 0 ? Outcome::Written : Outcome::Refused,
         Shape::Unreadable},
    };
    const auto contents = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const LeftFile& row : rows) {
        SCOPED_TRACE(row.name);
        const QTemporaryDir dir;
        const QString file = dir.filePath("Preferences.ini");
        const QString linked = dir.filePath("elsewhere.ini");
        const bool isLink = row.shape == Shape::LinkToNothing || row.shape == Shape::LinkToFile;
        if (row.shape == Shape::Folder || isLink)
            row.shape == Shape::Folder ? QDir(dir.path()).mkdir("Preferences.ini") : QFile::link(linked, file);
        if (row.shape != Shape::Folder && row.shape != Shape::LinkToNothing) {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(row.before) == row.before.size());
        }
        if (row.shape == Shape::Unreadable)
            chmod(QFile::encodeName(file).constData(), 0);

        const QString note = SetAsideDamagedPreferences(file);
        bool refused = false;
        try {
            TIniFile ini(file);
            if (row.before.contains("Output File")) // as the window writes back what it read
                ini.WriteText("Main", "Output File", ini.ReadText("Main", "Output File", ""));
            ini.WriteNumber("Main", "Profile", 3);
        } catch (const IniWriteError&) {
            refused = true;
        }
        EXPECT_EQ(refused, row.outcome == Outcome::Refused);
        EXPECT_EQ(contents(file), row.after);
        const bool setAside = row.outcome == Outcome::SetAside;
        EXPECT_EQ(note, setAside ? file + " could not be read as text: defaults are used; it is kept as "
                                          "Preferences.ini.damaged" : QString());
        EXPECT_EQ(contents(file + ".damaged"), setAside ? row.before : QByteArray());
        EXPECT_EQ(QFileInfo::exists(linked), row.shape == Shape::LinkToFile) << "a link to nothing is not followed";
        EXPECT_EQ(QFileInfo(file).isSymLink(), isLink);
    }
}
