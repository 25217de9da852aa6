#include "core/NameBytes.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskEntry.h"
#include "tests/support/Clips.h"
#include "tests/support/FakePrompter.h"
#include "tasks/MemoryTaskRowStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <deque>
#include <utility>

#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString AlreadyListed = "This file has been added to the Task List already. Are you sure to add it again?";
const QString NotAdded = "These files were not added:";

// Root reads every file whatever its mode; while this lives, files are opened
// with the rights of an ordinary user, as a user's program would open them.
class OrdinaryUserFileAccess {
public:
    OrdinaryUserFileAccess()
        : m_root(geteuid() == 0)
    {
        if (m_root) {
            setfsgid(65534);
            setfsuid(65534);
        }
    }
    ~OrdinaryUserFileAccess()
    {
        if (m_root) {
            setfsuid(0);
            setfsgid(0);
        }
    }

private:
    bool m_root;
};

class TaskAdderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClipRecipe recipe;
        recipe.seconds = 5.0;
        recipe.width = 16;
        recipe.height = 16;
        recipe.audio = false;
        source = SharedClip(recipe);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // A copy of the 5 s clip; the library reads the content, not the name.
    QString clip(const QString& name) const
    {
        const QString target = path(name);
        QDir().mkpath(QFileInfo(target).path());
        EXPECT_TRUE(QFile::copy(source, target)) << target.toStdString();
        return target;
    }

    // A copy of the clip under a Latin-1 name in the folder, as old cameras write them:
    // "1-café.avi" with é as the single byte 0xE9, which is not UTF-8.
    QString latin1Clip(const QString& folder, const QByteArray& name) const
    {
        const QString target = NameFromBytes(QFile::encodeName(path(folder)) + '/' + name);
        EXPECT_EQ(rename(QFile::encodeName(clip(folder + "/copy")).constData(), NameBytes(target).constData()), 0);
        latin1Names << target;
        return target;
    }

    // Qt's own removal of the test's folder cannot reach those names.
    void TearDown() override
    {
        for (const QString& name : latin1Names)
            unlink(NameBytes(name).constData());
    }

    QString textFile(const QString& name, const QByteArray& content = "not a video\n") const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path(name);
    }

    QTemporaryDir dir;
    mutable QStringList latin1Names;
    QString source; // made once for all the tests
    MemoryTaskRowStore rows;
    FakePrompter prompter;
    int introHidden = 0;
    // The batches waiting for the event loop's turn, and those run so far.
    std::deque<std::function<void()>> batches;
    int batchesRun = 0;
    QList<QPair<int, int>> progress;
    ListButtons buttons = ListButtons::Unchanged;
    // One file a batch, so the tests see each.
    TaskAdder adder{rows, prompter,
                    {.hideIntro = [this] { ++introHidden; },
                     .later = [this](std::function<void()> batch) { batches.push_back(std::move(batch)); },
                     .progress = [this](int done, int found) { progress.append({done, found}); },
                     .ended = [this](ListButtons change) { buttons = change; },
                     .batchMs = 0}};

    // Runs the waiting batches, as the event loop would, until the commands have ended:
    // what the list buttons do then.
    ListButtons ended()
    {
        while (!batches.empty()) {
            const std::function<void()> batch = std::move(batches.front());
            batches.pop_front();
            ++batchesRun;
            batch();
        }
        return std::exchange(buttons, ListButtons::Unchanged);
    }
};

}

TEST_F(TaskAdderTest, AnAddedFileGetsItsProbedEntryInTenCells)
{
    const QString file = clip("My clip.v1.avi");
    QStringList skipped;
    EXPECT_TRUE(adder.AddTaskFile(file, skipped));
    EXPECT_EQ(introHidden, 1);
    ASSERT_EQ(rows.rowCount(), 1);
    ltvItemData entry;
    ReadTaskEntry(rows, 0, EntryWhole, entry);
    EXPECT_EQ(entry.path, file);
    // The clip has no sound, subtitles or attached files: its counts are all 0.
    const std::array<QString, 10> cells{"00:00:05", "16x16", "OK", "My clip.v1", "", "", "0 0 0 0", "", "", ""};
    EXPECT_EQ(entry.cells, cells);
    EXPECT_DOUBLE_EQ(entry.LengthSeconds, 5.0);
    EXPECT_TRUE(skipped.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(TaskAdderTest, ADuplicateIsAddedOnlyAfterYesWithOneQuestionPerAdd)
{
    const QString file = clip("a.avi");
    const QString otherCase = clip("A.AVI");
    adder.AddFiles({file});
    ended();

    prompter.answer(false);
    adder.AddFiles({file});
    ended();
    EXPECT_EQ(rows.captions(), QStringList({file}));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].kind, FakePrompter::Kind::Ask);
    EXPECT_EQ(prompter.messages[0].caption, "Already Listed");
    EXPECT_EQ(prompter.messages[0].text, AlreadyListed + "\n\n" + file);

    // The add waits for the answer with the window free; a stop meanwhile makes a late Yes add nothing.
    rows.setCell(0, CellStatus, "Complete");
    prompter.holdQuestions = true;
    adder.AddFiles({file});
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    ASSERT_EQ(prompter.held.size(), 1);
    EXPECT_TRUE(adder.IsAdding());
    prompter.held.takeFirst()(true);
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), QStringList({file, file}));
    EXPECT_EQ(rows.cell(1, CellStatus), "OK");
    adder.AddFiles({file});
    adder.Stop();
    prompter.held.takeFirst()(true);
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.rowCount(), 2);
    prompter.holdQuestions = false;

    // Letter case counts: a differently spelt path is another file.
    adder.AddFiles({otherCase});
    ended();
    EXPECT_EQ(prompter.messages.size(), 3);
    EXPECT_EQ(rows.rowCount(), 3);
}

TEST_F(TaskAdderTest, UnreadableFilesAreLeftOutAndNamedWithTheirReasonsInOneMessagePerCommand)
{
    // The files must be reachable for an ordinary user but for the one that is not theirs to read.
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther);
    const QString first = clip("first.avi");
    const QString renamed = textFile("renamed text.avi");
    const QString second = clip("second.avi");
    const QString empty = textFile("empty.mpg", "");
    const QString locked = clip("locked.avi");
    QFile::setPermissions(locked, QFile::WriteOwner);
    const QString gone = path("gone.avi");
    // Opening a pipe would wait for a writer for ever: the tests' time limit catches that.
    const QString pipe = path("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QString sound = path("sound.mp4");
    ClipRecipe soundOnly;
    soundOnly.seconds = 1.0;
    soundOnly.video = false;
    MakeClip(sound, soundOnly);

    // The dialog gives the last chosen name first.
    {
        OrdinaryUserFileAccess user;
        adder.AddFiles({empty, first, renamed, pipe, sound, locked, gone, second});
        EXPECT_EQ(ended(), ListButtons::Enable);
    }
    EXPECT_EQ(rows.captions(), QStringList({first, second}));
    for (int row = 0; row < rows.rowCount(); ++row)
        EXPECT_EQ(rows.cell(row, CellStatus), "OK");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].kind, FakePrompter::Kind::Inform);
    EXPECT_EQ(prompter.messages[0].caption, "Files Not Added");
    EXPECT_EQ(prompter.messages[0].text, QStringList({NotAdded, renamed + " (not a video)",
                                                      pipe + " (a named pipe, not a file)",
                                                      sound + " (no picture, sound only)",
                                                      locked + " (no permission to read it)",
                                                      gone + " (not found)", empty + " (empty)"})
                                             .join('\n'));
}

TEST_F(TaskAdderTest, AFolderOfOnlyUnreadableFilesLeavesTheButtonsAndReportsOnce)
{
    const QString one = textFile("broken/one.avi");
    const QString two = textFile("broken/two.mov");
    adder.AddDirectory(path("broken"));
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    EXPECT_EQ(rows.rowCount(), 0);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, NotAdded + "\n" + one + " (not a video)\n" + two + " (not a video)");
}

TEST_F(TaskAdderTest, AddFilesTakesTheDialogsFirstNameLast)
{
    const QString a = clip("a.avi");
    const QString b = clip("b.avi");
    const QString c = clip("c.rm");
    // The dialog reads a name that is not UTF-8 as Qt decodes it, which loses its bytes.
    const QString latin1 = latin1Clip("d", "caf\xE9.avi");
    adder.AddFiles({c, a, QString::fromUtf8(NameBytes(latin1)), b});
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), QStringList({a, latin1, b, c}));
    adder.AddFiles({});
    EXPECT_EQ(ended(), ListButtons::Enable);
}

TEST_F(TaskAdderTest, AFolderAddsItsOwnVisibleVideoFilesInNaturalOrder)
{
    const QString b = clip("folder/b.AVI");
    const QString a = clip("folder/a.mpg");
    textFile("folder/notes.txt");
    clip("folder/x/c.avi");
    clip("folder/.hidden.avi");
    clip("folder/D.rm");
    const QString c = clip("folder/C.mov");
    const QString img10 = clip("folder/IMG_10.mp4");
    const QString img9 = clip("folder/img_9.avi");
    const QString img09 = clip("folder/img_09.avi");
    const QString latin1 = latin1Clip("folder", "caf\xE9.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(path("folder/pipe.avi")).constData(), 0644), 0);
    const QStringList natural{a, b, c, latin1, img09, img9, img10};

    adder.AddDirectory(path("folder"));
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), natural);
    EXPECT_EQ(rows.cell(3, CellName), u"caf\uFFFD") << "shown with a replacement character";
    EXPECT_EQ(batchesRun, 7) << "the window has its turn between every two files";
    ASSERT_EQ(prompter.messages.size(), 1) << "what is not added is named";
    EXPECT_TRUE(prompter.messages[0].text.endsWith("pipe.avi (a named pipe, not a file)"));
    prompter.messages.clear();

    MemoryTaskRowStore again;
    TaskAdder slash(again, prompter);
    slash.AddDirectory(path("folder") + "/");
    EXPECT_EQ(again.captions(), natural);
}

// Esc stops an add and keeps what it added; closing the window also keeps the
// program from saying anything more.
TEST_F(TaskAdderTest, AStoppedAddKeepsItsRowsReportsItsProgressAndEndsOnlyThatCommand)
{
    struct Case {
        void (TaskAdder::*stop)();
        bool reported;
    };
    for (const Case& stopping : {Case{&TaskAdder::Stop, true}, Case{&TaskAdder::StopQuietly, false}}) {
        rows.rows.clear();
        prompter.messages.clear();
        progress.clear();
        const QString broken = textFile("long/a-broken.avi");
        const QString b = clip("long/b.avi");
        clip("long/c.avi");
        clip("long/d.avi");
        adder.AddDirectory(path("long"));
        EXPECT_TRUE(adder.IsAdding()) << "the other files wait for the event loop's turn";
        ASSERT_EQ(batches.size(), 1);
        batches.front()();
        batches.pop_front();
        // Esc, or closing, between two batches.
        (adder.*stopping.stop)();
        EXPECT_FALSE(adder.IsAdding());
        EXPECT_EQ(ended(), ListButtons::Enable);
        EXPECT_EQ(rows.captions(), QStringList{b});
        EXPECT_EQ(progress, (QList<QPair<int, int>>{{1, 4}, {2, 4}}));
        EXPECT_EQ(prompter.messages.size(), stopping.reported ? 1 : 0);
        EXPECT_FALSE(adder.IsAdding());

        const QString next = clip("next.avi");
        adder.AddFiles({next});
        ended();
        EXPECT_EQ(rows.captions(), (QStringList{b, next})) << "the next command adds again";
        QDir(path("long")).removeRecursively();
        QFile::remove(next);
    }
}

TEST_F(TaskAdderTest, NoFolderOrAFolderWithoutVideoAddsNothingSilently)
{
    textFile("plain/readme.txt");
    adder.AddDirectory("");
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    adder.AddDirectory(path("plain"));
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(TaskAdderTest, DropsAddFoldersAndAcceptedFilesAndAreIgnoredDuringAJob)
{
    const QString loose = clip("drop/clip.MPG");
    const QString inside = clip("drop/clips/in.mov");
    clip("drop/clip.rm");
    textFile("drop/readme.txt");
    const QStringList dropped{path("drop/clips"), path("drop/readme.txt"), loose, path("drop/clip.rm")};

    adder.AddDropped(dropped, false);
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    EXPECT_EQ(introHidden, 1);
    EXPECT_EQ(rows.rowCount(), 0);

    adder.AddDropped(dropped, true);
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), QStringList({inside, loose}));
}

TEST_F(TaskAdderTest, CommandLinePathsFoldersAndIgnoredFiles)
{
    const QString a = clip("v/a.avi");
    const QString second = clip("v/clips/2.avi");
    const QString first = clip("v/clips/1.avi");
    textFile("v/readme.txt");
    adder.AddFromCommandLine({a, path("v/clips"), path("v/readme.txt"), path("v/missing.avi")});
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), QStringList({a, first, second}));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(TaskAdderTest, ACommandLineListFileNamesThePathsAndIsLeftAsItWas)
{
    const QString listed = clip("l/listed.avi");
    const QString inFolder = clip("l/folder/in.avi");
    const QString notAdded = clip("l/second argument.avi");
    const QString latin1 = latin1Clip("l", "1-caf\xE9.avi");
    const QByteArray lines = (listed + "\n\n" + path("l/missing.avi") + "\n" + path("l/folder") + "\n").toUtf8()
        + NameBytes(latin1) + "\r\n";
    const QString list = textFile("l/list.TMP", lines);

    adder.AddFromCommandLine({list, notAdded});
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_EQ(rows.captions(), QStringList({listed, inFolder, latin1}));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), lines);

    MemoryTaskRowStore none;
    TaskAdder unreadable(none, prompter, {.ended = [this](ListButtons change) { buttons = change; }});
    unreadable.AddFromCommandLine({path("l/absent.tmp"), notAdded});
    EXPECT_EQ(ended(), ListButtons::Unchanged);
    EXPECT_EQ(none.rowCount(), 0);
}

TEST_F(TaskAdderTest, RelativeCommandLinePathsAreListedWhole)
{
    const QString file = clip("rel/r.avi");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path("rel")));
    adder.AddFromCommandLine({"r.avi"});
    QDir::setCurrent(before);
    EXPECT_EQ(rows.captions(), QStringList({file}));
}

TEST_F(TaskAdderTest, TodaysContainersAreFoundInFoldersAndProbed)
{
    struct Container {
        const char* name;
        const char* madeAs; // the name ffmpeg writes it under: the library reads the content
        const char* videoCodec;
        const char* audioCodec;
    };
    const Container containers[] = {
        {"clip.mkv", "clip.mkv", "", ""},      {"clip.webm", "clip.webm", "", ""},
        {"clip.ts", "clip.ts", "", ""},        {"clip.mts", "clip.mts", "", ""},
        {"clip.m2ts", "clip.m2ts", "", ""},    {"clip.m4v", "clip.mp4", "", ""},
        {"clip.3gp", "clip.3gp", "mpeg4", "aac"}, {"clip.flv", "clip.flv", "", ""},
        {"clip.ogv", "clip.ogv", "", ""},      {"clip.divx", "clip.avi", "", ""},
        {"clip.dat", "clip.mpg", "", ""},
    };
    QStringList expected;
    for (const Container& container : containers) {
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 64;
        recipe.height = 48;
        recipe.videoCodec = container.videoCodec;
        recipe.audioCodec = container.audioCodec;
        QDir().mkpath(path("new"));
        const QString made = SharedClip(recipe, QFileInfo(container.madeAs).suffix());
        ASSERT_TRUE(QFile::copy(made, path("new/") + container.name));
        expected << path("new/") + container.name;
    }
    std::sort(expected.begin(), expected.end());

    adder.AddDirectory(path("new"));
    EXPECT_EQ(ended(), ListButtons::Enable);
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.value(0).text.toStdString();
    QStringList listed = rows.captions();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
    for (int row = 0; row < rows.rowCount(); ++row) {
        ltvItemData entry;
        ReadTaskEntry(rows, row, EntryWhole, entry);
        EXPECT_EQ(entry.cells[CellSize], "64x48") << entry.path.toStdString();
        EXPECT_NEAR(entry.LengthSeconds, 1.0, 0.15) << entry.path.toStdString();
    }
}

TEST_F(TaskAdderTest, NamedInputsAreEachListedOrNamedWithTheirReason)
{
    const QString a = clip("n/a.avi");
    const QString otherType = clip("n/other.rm");
    const QString first = clip("n/clips/1.avi");
    const QString second = clip("n/clips/2.avi");
    const QString text = textFile("n/readme.txt");
    textFile("n/no videos/readme.txt");
    const QString gone = path("n/missing.avi");
    const QString latin1 = latin1Clip("n", "1-caf\xE9.avi");
    const QString latin1Gone = NameFromBytes(QFile::encodeName(path("n/2-caf")) + "\xE9.avi");

    const QStringList left = adder.AddNamedInputs(
        {a, path("n/clips"), a, otherType, text, gone, path("n/no videos"), "", latin1, latin1Gone});
    EXPECT_EQ(rows.captions(), QStringList({a, first, second, a, otherType, latin1})) << "no question for the second a.avi";
    EXPECT_EQ(left, QStringList({text + " (not a video)", gone + " (not found)",
                                 path("n/no videos") + " (a folder without video files)", "\"\" (an empty name)",
                                 path("n/2-caf\uFFFD.avi (not found)")}));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, NotAdded + "\n" + left.join('\n'));

    EXPECT_EQ(adder.AddNamedInputs({path("n/absent.tmp")}), QStringList{path("n/absent.tmp") + " (not found)"});
}
