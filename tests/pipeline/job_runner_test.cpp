#include "pipeline/JobRunner.h"
#include "tasks/TaskEntry.h"
#include "tests/pipeline/FakeJobView.h"
#include "tests/pipeline/RunJob.h"
#include "tests/support/Clips.h"
#include "tests/support/JobFolders.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FakePrompter.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tests/pipeline/OptionWords.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

namespace {

class Job : public ::testing::Test {
protected:
    void SetUp() override { QDir(m_dir.path()).mkdir("out"); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void addEntry(const QString& file, const QString& length = "00:00:02")
    {
        rows.appendRow(file);
        ltvItemData entry;
        entry.path = file;
        entry.cells[CellLength] = length;
        entry.cells[CellStatus] = "OK";
        WriteTaskEntry(rows, rows.rowCount() - 1, EntryWhole, entry);
    }

    // The stand-in encoder follows this script in every run.
    void script(const QByteArray& steps)
    {
        QFile file(path("script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(steps);
        qputenv("VELMO_STAND_IN_SCRIPT", path("script").toUtf8());
    }

    JobSettings settings(const QString& encoder = STAND_IN_ENCODER)
    {
        JobSettings job;
        job.encoderPath = encoder;
        job.outputFile = path("out/joined.avi");
        job.outputExt = ".avi";
        job.policy = OverwritePolicy::Ask;
        job.tempDir = path("temp");
        job.fallbackTempDir = path("fallback/");
        job.frameSize = [] { return QString("320:240"); };
        job.joinOptions = [] { return OptionWords(" -ovc lavc -lavcopts vcodec=mpeg4 -oac pcm   -channels 2"); };
        return job;
    }

    QStringList statuses() const
    {
        QStringList texts;
        for (const MemoryTaskRowStore::Row& row : rows.rows)
            texts << row.cells[CellStatus];
        return texts;
    }

    // What the job left in the temp folder: its own folder and everything in it are gone.
    QStringList intermediatesLeft() const
    {
        return QDir(path("temp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
    MemoryTaskRowStore rows;
    FakeJobView view;
    FakePrompter prompter;
    JobRunner runner{rows, view, prompter};
};

// A progress line a position, each read on its own before the next is written.
QByteArray ProgressSteps(const QList<double>& positions)
{
    QByteArray steps;
    for (double seconds : positions)
        steps += "tell " + QByteArray::fromStdString(encoderlines::ProgressLine(seconds, 10, 0)) + "read\n";
    return steps;
}

}

TEST_F(Job, RequestChecksInOrder)
{
    addEntry(path("a.avi"));
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().caption, "Add More Videos");

    addEntry(path("b.avi"));
    // A pipe put in a listed file's place since it was added: nothing may open it.
    const QString pipe = path("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    addEntry(pipe);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().text, "These inputs are not files that can be joined:\n" + pipe
                                                 + " (a named pipe, not a file)\nPlease remove them from the task list.");
    QFile::remove(pipe);

    JobSettings job = settings();
    job.outputFile = path("missing/joined.avi");
    RunJob(runner, job);
    EXPECT_EQ(prompter.messages.last().caption, "Output path does not exist");
    EXPECT_EQ(view.focus, "output file");

    // A refused job leaves no row telling of the job before.
    rows.rows[0].cells[CellStatus] = "Complete";
    job.outputFile.clear();
    RunJob(runner, job);
    EXPECT_EQ(prompter.messages.last().text, "Please choose an output file.");
    EXPECT_EQ(statuses(), QStringList(statuses().size(), "OK"));

    job.outputFile = path("out/");
    RunJob(runner, job);
    EXPECT_EQ(prompter.messages.last().caption, "Icorrect Filename");

    ASSERT_TRUE(QFile::link(path("out/nothing.avi"), path("out/link.avi")));
    job.outputFile = path("out/link.avi");
    EXPECT_EQ(RunJob(runner, job), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().caption, "Output Is a Broken Link");

    // The profile's extension is added, then the existing file is asked about.
    QFile(path("out/movie.mpg.avi")).open(QIODevice::WriteOnly);
    job.outputFile = path("out/movie.mpg");
    prompter.answer(false);
    EXPECT_EQ(RunJob(runner, job), JobEnd::NotStarted);
    EXPECT_EQ(view.outputFile, path("out/movie.mpg.avi"));
    EXPECT_EQ(prompter.messages.last().caption, "File Exists");
    EXPECT_EQ(prompter.messages.last().text, "The output file is existent. Do you want to continue and overwrite it? "
                                             "\n\rClick \"No\" to specify another output filename.");
    EXPECT_TRUE(view.events.isEmpty()) << "nothing of the job has started";
    EXPECT_EQ(runner.state(), JobState::Idle);
}

// Joining into one of the inputs would replace the user's video: refused whatever the
// spelling and the overwrite rule, before anything runs.
TEST_F(Job, TheOutputIsNeverOneOfTheInputs)
{
    QFile input(path("out/a.avi"));
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.write("the user's video");
    input.close();
    addEntry(path("out/a.avi"));
    addEntry(path("b.avi"));
    ASSERT_TRUE(QFile::link(path("out/a.avi"), path("link.avi")));
    ASSERT_EQ(link(QFile::encodeName(path("out/a.avi")).constData(), QFile::encodeName(path("hard.avi")).constData()), 0);
    QDir(m_dir.path()).mkdir("folder.avi");
    script("output\nexit 0\n");

    const struct {
        const char* what;
        QString output;
        const char* caption;
    } cases[] = {
        {"another spelling", path("out/../out/./a.avi"), "Output Is an Input"},
        {"a symbolic link", path("link.avi"), "Output Is an Input"},
        {"a hard link", path("hard.avi"), "Output Is an Input"},
        {"the name without its extension", path("out/a"), "Output Is an Input"},
        {"a folder", path("folder.avi"), "Icorrect Filename"},
    };
    for (const auto& test : cases) {
        prompter.messages.clear();
        view.focus.clear();
        JobSettings job = settings();
        job.outputFile = test.output;
        job.policy = OverwritePolicy::Overwrite;
        EXPECT_EQ(RunJob(runner, job), JobEnd::NotStarted) << test.what;
        ASSERT_EQ(prompter.messages.size(), 1) << test.what;
        EXPECT_EQ(prompter.messages[0].caption, test.caption) << test.what;
        EXPECT_EQ(view.focus, "output file") << test.what;
        if (QString(test.caption) == "Output Is an Input") {
            EXPECT_EQ(prompter.messages[0].text, "The output file is one of the input files:\n" + path("out/a.avi")
                                                     + "\nPlease specify another output filename.");
        }
    }
    EXPECT_EQ(prompter.messages[0].text, "\"" + path("folder.avi") + "\" is a folder. Please specify the output file.");
    EXPECT_TRUE(view.events.isEmpty()) << "nothing of the job has started";
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    EXPECT_EQ(input.readAll(), "the user's video");
}

TEST_F(Job, RunsBothStagesWithTheirStatusesBarsAndClock)
{
    addEntry(path("a.avi"), "00:00:10");
    addEntry(path("b.avi"), "00:00:30");
    script(ProgressSteps({5, 10}) + "output\nexit 0\n");
    QStringList seenStatuses;
    QStringList intermediatesDuringTheJoin;
    view.onOutput = [&](const QByteArray&) {
        if (!seenStatuses.contains(statuses().join(',')))
            seenStatuses << statuses().join(',');
        if (statuses().join(',') == "Joining,Joining" && intermediatesDuringTheJoin.isEmpty())
            intermediatesDuringTheJoin = FoldersWithFiles(path("temp"));
    };
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed);
    EXPECT_EQ(seenStatuses, (QStringList{"Converting,OK", "Waiting for joining,Converting", "Joining,Joining"}));
    EXPECT_EQ(statuses(), (QStringList{"Complete", "Complete"}));
    EXPECT_EQ(view.completedWith, path("out/joined.avi"));
    EXPECT_EQ(intermediatesDuringTheJoin, QStringList{"velmo-job-XXXXXX: 0.avi 1.avi"});
    EXPECT_TRUE(intermediatesLeft().isEmpty()) << "the job's folder and its intermediates are gone";
    EXPECT_EQ(view.bars.back(), std::make_pair(100, 100));
    // Entry a: 10 s of 10 fills the current bar; the total weighs the join's 40 s into MPEG-4
    // at 1.6 each, so a's 10 s are 10 % of 104, and the conversions' 40 s are 38 % when the
    // join starts its current bar at 0.
    EXPECT_NE(std::find(view.bars.begin(), view.bars.end(), std::make_pair(100, 10)), view.bars.end());
    EXPECT_NE(std::find(view.bars.begin(), view.bars.end(), std::make_pair(0, 38)), view.bars.end());
    EXPECT_EQ(view.events,
              (QStringList{"EnterJobMode", "progress shown", "progress shown", "progress hidden", "LeaveJobMode"}));
    EXPECT_FALSE(runner.clockRunning());
    EXPECT_EQ(runner.state(), JobState::Idle);
    ASSERT_FALSE(view.times.isEmpty());
    EXPECT_TRUE(view.times.last().endsWith(" 00:00:00")) << "a completed job has no time left";

    runner.timerTimeTimer();
    EXPECT_TRUE(view.times.last().endsWith(" 00:00:00")) << "a full total bar leaves nothing to wait for";
}

TEST_F(Job, TheJoinsPositionNeverGoesBack)
{
    addEntry(path("a.avi"), "00:01:40");
    addEntry(path("b.avi"), "00:01:40");
    script(ProgressSteps({80, 40}) + "output\nexit 0\n");
    RunJob(runner, settings());
    // The join's 80 s of 200 shows 40 % and (200 + 1.6 * 80) / (200 + 1.6 * 200) = 63 %; the
    // later 40 s changes nothing.
    const auto join = std::find(view.bars.begin(), view.bars.end(), std::make_pair(40, 63));
    ASSERT_NE(join, view.bars.end());
    EXPECT_EQ(*(join + 1), std::make_pair(40, 63));
}

TEST_F(Job, FailuresEndTheJobAndAreNeverSuccess)
{
    struct Case {
        const char* what;
        QByteArray steps;
        const char* reason;
    };
    const Case cases[] = {
        {"a conversion that exits 1", "write could not read the input\\n\nexit 1\n", "could not read the input"},
        {"a conversion that writes nothing", "write done\\n\nexit 0\n", "The encoder ended without writing 0.avi."},
        {"a killed conversion", "write Pos: 1.0s 10f ( 5%)\\r\nkill 9\n", "The encoder was stopped by signal 9 (Killed)."},
    };
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    for (const Case& test : cases) {
        script(test.steps);
        prompter.messages.clear();
        EXPECT_EQ(RunJob(runner, settings()), JobEnd::Failed) << test.what;
        ASSERT_EQ(prompter.messages.size(), 1) << test.what;
        EXPECT_EQ(prompter.messages[0].kind, FakePrompter::Kind::Warn);
        EXPECT_EQ(prompter.messages[0].caption, "Conversion Failed");
        EXPECT_EQ(prompter.messages[0].text, QString("The conversion of a.avi failed.\n") + test.reason);
        EXPECT_EQ(statuses(), (QStringList{"Failed", "OK"})) << test.what;
        EXPECT_TRUE(view.completedWith.isEmpty());
        EXPECT_FALSE(runner.clockRunning());
        EXPECT_EQ(runner.state(), JobState::Idle);
        for (MemoryTaskRowStore::Row& row : rows.rows)
            row.cells[CellStatus] = "OK";
    }

    // The encoder program missing: the message of a broken installation, nothing joined.
    prompter.messages.clear();
    EXPECT_EQ(RunJob(runner, settings(path("no-encoder"))), JobEnd::Failed);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Error. Please re-install Velmo AVI Video Joiner");
    EXPECT_EQ(prompter.messages[0].caption, "Velmo AVI Video Joiner");
    EXPECT_EQ(view.events.last(), "LeaveJobMode");
    EXPECT_FALSE(runner.clockRunning());

    // A temp folder that cannot be made, fallback included, is found before the job starts;
    // the folder named is the one the job tried.
    JobSettings job = settings();
    job.tempDir = path("no/such/parent");
    job.fallbackTempDir = "/proc/velmo-cannot-be-made/";
    prompter.messages.clear();
    EXPECT_EQ(RunJob(runner, job), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().caption, "Temp Folder");
    EXPECT_TRUE(prompter.messages.last().text.contains(job.fallbackTempDir));
    EXPECT_EQ(view.notices, QStringList{"The temp folder \"" + job.tempDir + "\" cannot be used (neither it nor the "
                                        "folder above it exists): the job uses \"" + job.fallbackTempDir + "\" instead."});
}

TEST_F(Job, StopDuringAConversionCancelsItAndASilentEncoderLeavesTheLoopRunning)
{
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    addEntry(path("c.avi"));
    // The second run, once its first words are read, is silent for a long while; a run
    // that is not stopped leaves a trace after it.
    script("output\nexit 0\n");
    QFile silent(path("script.b.avi"));
    ASSERT_TRUE(silent.open(QIODevice::WriteOnly));
    silent.write("write working\\n\nread\nsleep 20000\ntouch " + path("b ran its course").toUtf8()
                 + "\noutput\nexit 0\n");
    silent.close();
    bool silentNow = false;
    view.onOutput = [&](const QByteArray& chunk) { silentNow = chunk == "working\n"; };
    int turns = 0;
    QStringList intermediatesAtStop;
    QTimer turn;
    // Ten turns of the event loop while the second run is silent, then Stop.
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (silentNow && ++turns == 10) {
            turn.stop();
            intermediatesAtStop = FoldersWithFiles(path("temp"));
            runner.tbtnStopClick();
        }
    });
    turn.start(20);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Stopped);
    EXPECT_EQ(turns, 10) << "the loop turned while the encoder was silent";
    EXPECT_FALSE(QFileInfo::exists(path("b ran its course"))) << "the stop reached the silent encoder";
    EXPECT_EQ(statuses(), (QStringList{"Waiting for joining", "Stop", "OK"}));
    EXPECT_EQ(prompter.messages.last().text, "The Coversion is canceled.");
    EXPECT_EQ(intermediatesAtStop, QStringList{"velmo-job-XXXXXX: 0.avi"});
    EXPECT_TRUE(intermediatesLeft().isEmpty()) << "the job's folder and its intermediate are gone";
    EXPECT_EQ(runner.state(), JobState::Idle);
}

// A join refused for an input that differs asks whether to encode it; the question waits
// while the event loop turns, and the job goes on with the answer, or ends at a stop.
TEST_F(Job, TheJoinsQuestionIsAnsweredLaterAndTheJobGoesOnWithTheAnswer)
{
    struct Case {
        const char* what;
        bool stop; // Stop is clicked while the question is open, else it is answered Yes
        JobEnd end;
        QString statuses;
    };
    const Case cases[] = {
        {"answered Yes", false, JobEnd::Completed, "Complete,Complete"},
        {"stopped", true, JobEnd::Stopped, "Stop,Stop"},
    };
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    JobSettings job = settings();
    job.plan = JobPlan::EncodeOnce;
    job.policy = OverwritePolicy::Overwrite;
    job.joinOptions = [] { return OptionWords(" -ovc copy -oac copy"); };
    prompter.holdQuestions = true;
    for (const Case& test : cases) {
        script("tell " + QByteArray::fromStdString(encoderlines::DiffersLine(1, "frame size 320x240, not 160x120"))
               + "exit 3\n");
        prompter.messages.clear();
        prompter.held.clear();
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (prompter.held.isEmpty())
                return;
            look.stop();
            EXPECT_EQ(runner.state(), JobState::Running) << test.what;
            script("output\nexit 0\n");
            if (test.stop)
                runner.tbtnStopClick();
            else
                prompter.held.takeFirst()(true);
        });
        look.start(5);
        EXPECT_EQ(RunJob(runner, job), test.end) << test.what;
        EXPECT_EQ(prompter.messages.value(0).caption, "Inputs Differ") << test.what;
        EXPECT_TRUE(prompter.messages.value(0).text.contains("b.avi: frame size 320x240, not 160x120")) << test.what;
        EXPECT_EQ(statuses().join(','), test.statuses) << test.what;
        EXPECT_EQ(QFile::exists(path("out/joined.avi")), !test.stop) << test.what;
        QFile::remove(path("out/joined.avi"));
    }
}

// What the output's type cannot hold is named before the job, and Cancel starts nothing;
// with only the first tracks kept, nothing is said of the others.
TEST_F(Job, TracksTheOutputCannotHoldAreNamedBeforeTheJob)
{
    addEntry(path("a.mkv"));
    addEntry(path("b.mkv"));
    rows.rows[0].cells[CellTracks] = "2 1 1 0";
    rows.rows[1].cells[CellTracks] = "1 2 0 0";
    QFile(path("out/joined.avi")).open(QIODevice::WriteOnly);
    const QString notice = "AVI holds no subtitles: 2 subtitle tracks will not be in the output\n"
                           "AVI holds one sound track: 1 more sound track will not be in the output\n"
                           "AVI holds no attached files: 1 attached file will not be in the output";
    prompter.answer(false);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().caption, "Tracks Left Out");
    EXPECT_EQ(prompter.messages.last().text, notice);
    EXPECT_EQ(view.notices, QStringList{notice}) << "the job's log keeps it";

    prompter.answer(true);
    prompter.answer(false);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::NotStarted);
    EXPECT_EQ(prompter.messages.last().caption, "File Exists") << "OK goes on to the next question";

    // An output that holds them all: what the plan's own files leave out on the way.
    JobSettings mkv = settings();
    mkv.outputExt = ".mkv";
    mkv.plan = JobPlan::EncodeOnce;
    EXPECT_EQ(JobRunner::LeftOutNotice(rows, mkv), "");
    mkv.plan = JobPlan::Intermediate;
    EXPECT_TRUE(JobRunner::LeftOutNotice(rows, mkv).contains("The intermediate AVI files hold one sound track"));

    JobSettings first = settings();
    first.tracks = TrackChoice::First;
    prompter.answer(false);
    RunJob(runner, first);
    EXPECT_EQ(prompter.messages.size(), 4) << "asked only whether to overwrite";
    EXPECT_EQ(prompter.messages.last().caption, "File Exists");
}

TEST_F(Job, RenameNeverOverwrites)
{
    QFile(path("out/movie.avi")).open(QIODevice::WriteOnly);
    QFile(path("out/movie_1.avi")).open(QIODevice::WriteOnly);
    EXPECT_EQ(JobRunner::JoinTarget(path("out/movie.avi"), OverwritePolicy::Rename), path("out/movie_2.avi"));
    EXPECT_EQ(JobRunner::JoinTarget(path("out/movie.avi"), OverwritePolicy::Overwrite), path("out/movie.avi"));
    EXPECT_EQ(JobRunner::JoinTarget(path("out/new.avi"), OverwritePolicy::Rename), path("out/new.avi"));
}

TEST_F(Job, EveryEndingReleasesTheSleepLockAndAnnouncesItselfBeforeItsMessage)
{
    struct Case {
        const char* what;
        QByteArray steps;
        enum { Run, Stop, Close } action;
        bool watched;
        JobEnd end;
        QStringList shown;
        // The join's own script, where it differs: its first input is the piece 0.avi.
        QByteArray joinSteps = {};
    };
    const Case cases[] = {
        {"completed", "output\nexit 0\n", Case::Run, false, JobEnd::Completed, {"Joining completed: joined.avi"}},
        {"completed in sight", "output\nexit 0\n", Case::Run, true, JobEnd::Completed, {}},
        {"failed", "write no such codec\\n\nexit 1\n", Case::Run, false, JobEnd::Failed, {"Joining failed: joined.avi"}},
        {"stopped", "write working\\n\nsleep 20000\noutput\nexit 0\n", Case::Stop, false, JobEnd::Stopped,
         {"Joining stopped: joined.avi"}},
        {"window closed", "write working\\n\nsleep 20000\noutput\nexit 0\n", Case::Close, false, JobEnd::Stopped, {}},
        {"window closed during the join", "output\nexit 0\n", Case::Close, false, JobEnd::Stopped, {},
         "write joining\\n\nsleep 20000\noutput\nexit 0\n"},
    };
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    for (const Case& test : cases) {
        FakeSleepInhibitor inhibitor;
        FakeNotifier notifier;
        FakeJobView watchedView;
        watchedView.watched = test.watched;
        prompter.messages.clear();
        JobRunner job(rows, watchedView, prompter, JobDesktop{&inhibitor, &notifier});
        qsizetype messagesAtNotice = -1;
        notifier.onNotify = [&] { messagesAtNotice = prompter.messages.size(); };
        watchedView.onOutput = [&](const QByteArray&) {
            if (test.action == Case::Stop)
                job.tbtnStopClick();
            else if (test.action == Case::Close)
                job.Abort();
        };
        script(test.steps);
        QFile::remove(path("script.0.avi"));
        if (!test.joinSteps.isEmpty()) {
            QFile join(path("script.0.avi"));
            ASSERT_TRUE(join.open(QIODevice::WriteOnly));
            join.write(test.joinSteps);
        }
        JobSettings overwriting = settings();
        overwriting.policy = OverwritePolicy::Overwrite;
        EXPECT_EQ(RunJob(job, overwriting), test.end) << test.what;
        EXPECT_EQ(inhibitor.calls, (QStringList{"inhibit: Joining 2 videos into joined.avi", "release"})) << test.what;
        EXPECT_EQ(notifier.shown, test.shown) << test.what;
        if (!test.shown.isEmpty()) {
            EXPECT_EQ(messagesAtNotice, 0) << test.what << ": the notice comes before the message box waits";
        }
        EXPECT_TRUE(intermediatesLeft().isEmpty()) << test.what;
    }
}

TEST_F(Job, AFailedEntryKeepsTheEncodersLastErrorLine)
{
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    script("write Pos: 1.0s 10f ( 5%)\\r\nwrite [mpeg4] unsupported frame size\\nPos: 1.2s\\r\nexit 1\n");
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Failed);
    EXPECT_EQ(rows.rows[0].cells[CellStatus], "Failed");
    EXPECT_EQ(rows.rows[0].cells[CellFailure], "[mpeg4] unsupported frame size");
    EXPECT_TRUE(rows.rows[1].cells[CellFailure].isEmpty());

    // The next run of the entry clears its reason with its status.
    script("output\nexit 0\n");
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed);
    EXPECT_TRUE(rows.rows[0].cells[CellFailure].isEmpty());

    // What a conversion tells of its entry stays in the entry's tip to the job's end.
    const QString early = "b.avi ends early: 1.8 s of its 3.0 s could be read";
    QFile forB(path("script.b.avi"));
    ASSERT_TRUE(forB.open(QIODevice::WriteOnly));
    forB.write("write Pos: 1.0s\\r" + early.toUtf8() + "\\n\noutput\nexit 0\n");
    forB.close();
    ASSERT_TRUE(QFile::remove(settings().outputFile));
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed);
    EXPECT_EQ(rows.rows[1].cells[CellFailure], early);
    EXPECT_TRUE(rows.rows[0].cells[CellFailure].isEmpty());

    // A note of the join goes with the entry of the input it is of; the join's first input
    // is the piece 0.avi.
    QFile forJoin(path("script.0.avi"));
    ASSERT_TRUE(forJoin.open(QIODevice::WriteOnly));
    forJoin.write("tell " + QByteArray::fromStdString(encoderlines::NoteLine(1, "b.avi\nis quiet")) + "output\nexit 0\n");
    forJoin.close();
    ASSERT_TRUE(QFile::remove(settings().outputFile));
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed);
    EXPECT_EQ(rows.rows[1].cells[CellFailure], early + "\nb.avi\nis quiet");
    EXPECT_TRUE(rows.rows[0].cells[CellFailure].isEmpty());
}

// A length no disk holds: the real free space of the test's folders is too small for it.
TEST_F(Job, ALackOfFreeSpaceIsAskedAboutRefusedOrLookedPast)
{
    struct Case {
        const char* what;
        SpaceCheck check;
        QList<bool> answers;
        FakePrompter::Kind kind;
        const char* ending;
        JobEnd end;
        const char* tempDir = "temp";
        const char* measured = "temp"; // the folder the job uses, and names
    };
    const Case cases[] = {
        {"asked, No", SpaceCheck::Ask, {false}, FakePrompter::Kind::AskWarning,
         "Do you want to start the job all the same?", JobEnd::NotStarted},
        {"refused", SpaceCheck::Refuse, {}, FakePrompter::Kind::Error, "Give --force to start all the same.",
         JobEnd::NotStarted},
        {"asked, Yes", SpaceCheck::Ask, {true}, FakePrompter::Kind::AskWarning,
         "Do you want to start the job all the same?", JobEnd::Completed},
        {"refused, Temp Dir a file", SpaceCheck::Refuse, {}, FakePrompter::Kind::Error,
         "Give --force to start all the same.", JobEnd::NotStarted, "script", "fallback/"},
    };
    addEntry(path("a.avi"), "900000:00:00");
    addEntry(path("b.avi"), "00:00:02");
    script("output\nexit 0\n");
    for (const Case& test : cases) {
        prompter.messages.clear();
        view.events.clear();
        prompter.answers = test.answers;
        JobSettings job = settings();
        job.policy = OverwritePolicy::Overwrite;
        job.spaceCheck = test.check;
        job.tempDir = path(test.tempDir);
        EXPECT_EQ(RunJob(runner, job), test.end) << test.what;
        ASSERT_FALSE(prompter.messages.isEmpty()) << test.what;
        const FakePrompter::Message& message = prompter.messages.first();
        EXPECT_EQ(message.kind, test.kind) << test.what;
        EXPECT_EQ(message.caption, "Not Enough Space");
        EXPECT_TRUE(message.text.startsWith("The folder \"" + path(test.measured) + "\" has ")) << message.text.toStdString();
        EXPECT_TRUE(message.text.contains(" free, and the job may need ")) << message.text.toStdString();
        EXPECT_TRUE(message.text.endsWith(test.ending)) << message.text.toStdString();
        EXPECT_EQ(view.notices.size(), test.tempDir != test.measured) << test.what;
        if (test.end == JobEnd::NotStarted) {
            EXPECT_TRUE(view.events.isEmpty()) << test.what << ": nothing of the job has started";
            EXPECT_FALSE(QFileInfo::exists(path(test.measured))) << test.what;
        }
    }

    prompter.messages.clear();
    JobSettings forced = settings();
    forced.policy = OverwritePolicy::Overwrite;
    forced.spaceCheck = SpaceCheck::Skip;
    EXPECT_EQ(RunJob(runner, forced), JobEnd::Completed);
    EXPECT_TRUE(prompter.messages.isEmpty());
}

// A dialog's loop during a job: the encoder's output is read there too, so the loop sleeps
// between the encoder's words instead of waking at once, again and again, for a pipe that
// nobody reads.
TEST_F(Job, ADialogOpenThroughAJobLeavesTheLoopAsleep)
{
    addEntry(path("a.avi"));
    addEntry(path("b.avi"));
    script("write working\\n\nread\nsleep 300\nwrite Pos: 1.0s 10f ( 50%)\\r\nsleep 300\noutput\nexit 0\n");
    int wakeUps = 0;
    bool dialogOpened = false;
    bool endedInTheDialog = false;
    view.onOutput = [&](const QByteArray&) {
        if (dialogOpened)
            return;
        dialogOpened = true;
        QTimer::singleShot(0, [&] {
            QEventLoop dialog;
            QObject::connect(&runner, &JobRunner::ended, &dialog, [&] {
                endedInTheDialog = true;
                dialog.quit();
            });
            const QMetaObject::Connection counted = QObject::connect(
                QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] { ++wakeUps; });
            dialog.exec();
            QObject::disconnect(counted);
        });
    };
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed);
    EXPECT_TRUE(endedInTheDialog) << "the job went on to its end under the dialog";
    // Three runs of a few words each, their ends, the clock: a few dozen turns, not thousands.
    EXPECT_LT(wakeUps, 200);
}

// A stage marks every row in one step: whatever runs between two turns of the loop sees
// the rows all alike, never half of them changed.
TEST_F(Job, ThousandsOfRowsChangeTheirStatusInOneStep)
{
    for (int index = 0; index < 3000; ++index)
        addEntry(path(QString::number(index) + ".avi"));
    script("output\nexit 0\n");
    JobSettings copying = settings();
    copying.joinOptions = [] { return OptionWords(" -ovc copy -oac copy"); };
    bool mixed = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        const QStringList now = statuses();
        mixed = mixed || now.count(now.first()) != now.size();
    });
    look.start(0);
    EXPECT_EQ(RunJob(runner, copying), JobEnd::Completed);
    EXPECT_FALSE(mixed);
    EXPECT_EQ(statuses().count("Complete"), 3000);
}
