#include "pipeline/JobRunner.h"
#include "protocol/EncoderLines.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tasks/TaskEntry.h"
#include "tests/pipeline/FakeJobView.h"
#include "tests/pipeline/RunJob.h"
#include "tests/support/FakePrompter.h"
#include "tests/pipeline/OptionWords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Conversions side by side, through the scripted stand-in encoder: one script an input.
class ConversionPool : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkdir("out");
        qputenv("VELMO_STAND_IN_SCRIPT", m_dir.filePath("script").toUtf8());
        script("script", "output\nexit 0\n");
    }
    void TearDown() override { qunsetenv("VELMO_STAND_IN_SCRIPT"); }

    void script(const QString& name, const QByteArray& steps)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(steps);
    }

    // An entry of the list and the script its conversion follows.
    void add(const QString& name, const QString& length, const QByteArray& steps)
    {
        rows.appendRow(m_dir.filePath(name));
        ltvItemData entry;
        entry.path = m_dir.filePath(name);
        entry.cells[CellLength] = length;
        entry.cells[CellStatus] = "OK";
        WriteTaskEntry(rows, rows.rowCount() - 1, EntryWhole, entry);
        script("script." + name, steps);
    }

    JobSettings settings() const
    {
        JobSettings job;
        job.encoderPath = STAND_IN_ENCODER;
        job.outputFile = m_dir.filePath("out/joined.avi");
        job.outputExt = ".avi";
        job.tempDir = m_dir.filePath("temp");
        job.fallbackTempDir = m_dir.filePath("fallback/");
        job.frameSize = [] { return QString("320:240"); };
        job.joinOptions = [] { return OptionWords(" -ovc lavc -oac pcm"); };
        job.conversionRunsAtOnce = 2;
        return job;
    }

    QString statuses() const
    {
        QStringList texts;
        for (const MemoryTaskRowStore::Row& row : rows.rows)
            texts << row.cells[CellStatus];
        return texts.join(',');
    }

    QTemporaryDir m_dir;
    MemoryTaskRowStore rows;
    FakeJobView view;
    FakePrompter prompter;
    JobRunner runner{rows, view, prompter};
};

const QByteArray Lasting = "write working\\n\nsleep 20000\noutput\nexit 0\n";

}

// The two longest start first; the file shown is the first of them in the list; Stop ends
// both, and what never started keeps its status.
TEST_F(ConversionPool, TheLongestRunSideBySideAndAStopEndsEveryOne)
{
    add("a.avi", "00:00:10", "output\nexit 0\n");
    add("b.avi", "00:00:30", Lasting);
    add("c.avi", "00:00:20", Lasting);
    QString shownWhileBoth;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (statuses() == "OK,Converting,Converting" && shownWhileBoth.isEmpty()) {
            shownWhileBoth = view.convertingFile;
            runner.tbtnStopClick();
        }
    });
    watch.start(10);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Stopped);
    EXPECT_EQ(shownWhileBoth, "b.avi");
    EXPECT_EQ(statuses(), "OK,Stop,Stop");
    EXPECT_EQ(prompter.messages.last().text, "The Coversion is canceled.");
    EXPECT_TRUE(QDir(m_dir.filePath("temp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// A failed run ends the others; only the failed entry says so.
TEST_F(ConversionPool, AFailureStopsTheOtherRuns)
{
    add("a.avi", "00:00:10", "output\nexit 0\n");
    add("b.avi", "00:00:30", Lasting);
    add("c.avi", "00:00:20", "write cannot decode\\n\nexit 1\n");
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Failed);
    EXPECT_EQ(statuses(), "OK,OK,Failed");
    EXPECT_EQ(rows.rows[2].cells[CellFailure], "cannot decode");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "The conversion of c.avi failed.\ncannot decode");
    EXPECT_TRUE(QDir(m_dir.filePath("temp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// A Stop while another run is still ending after a failure does not hide the failure.
TEST_F(ConversionPool, AStopAfterAFailureReportsTheFailure)
{
    add("b.avi", "00:00:20", "sleep 300\nwrite cannot decode\\n\nexit 1\n");
    add("a.avi", "00:00:30", "ignore 15\n" + Lasting);
    // The file shown is the first running one in the list: a.avi once b.avi has failed.
    bool bothShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        bothShown = bothShown || view.convertingFile == "b.avi";
        if (bothShown && view.convertingFile == "a.avi") {
            watch.stop();
            runner.tbtnStopClick();
        }
    });
    watch.start(10);
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Failed);
    EXPECT_FALSE(watch.isActive()) << "Stop was clicked";
    EXPECT_EQ(statuses(), "Failed,OK");
    EXPECT_EQ(prompter.messages.last().text, "The conversion of b.avi failed.\ncannot decode");
    EXPECT_EQ(runner.state(), JobState::Idle);
}

// In the encode-once plan short inputs go several into one run: each member shows as
// converting, and the file shown is the member that the run's position has reached.
TEST_F(ConversionPool, AGroupShowsEveryMemberAndTheOneItHasReached)
{
    const QByteArray positions =
        "tell " + QByteArray::fromStdString(encoderlines::ProgressLine(1.5, 45, 0)) + "read\n";
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi"})
        add(name, "00:00:01", positions + "sleep 20000\noutput\nexit 0\n");
    JobSettings job = settings();
    job.plan = JobPlan::EncodeOnce;
    job.conversionRunsAtOnce = 1;
    QString shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // Once the position has come: the current bar is half way through a member.
        if (statuses() == "Converting,Converting,OK,OK" && !view.bars.empty() && view.bars.back().first == 50
            && shown.isEmpty()) {
            shown = view.convertingFile;
            runner.tbtnStopClick();
        }
    });
    watch.start(10);
    EXPECT_EQ(RunJob(runner, job), JobEnd::Stopped);
    EXPECT_EQ(shown, "b.avi");
    EXPECT_EQ(statuses(), "Stop,Stop,OK,OK");
}
