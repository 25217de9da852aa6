#include "tests/support/Clips.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// The console mode of a program folder of the test's own (its temp folder and
// preferences are the test's), on a machine without any display.
class ConsoleMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkpath("velmo/Profiles");
        for (const char* file : {"velmo-joiner", "asapi.dll", "Preferences.ini"})
            ASSERT_TRUE(QFile::copy(ProgramFolder() + file, folder() + file));
        ASSERT_TRUE(QFile::copy(ProgramFolder() + "Profiles/AVI - MPEG-4 Video.bpf",
                                folder() + "Profiles/AVI - MPEG-4 Video.bpf"));
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 160;
        recipe.height = 120;
        MakeClip(m_dir.filePath("a.mp4"), recipe);
        recipe.seconds = 1.5;
        MakeClip(m_dir.filePath("b clip.avi"), recipe);
    }

    QString folder() const { return m_dir.filePath("velmo") + "/"; }

    void start(QProcess& process, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        // The program's jobs take a sleep lock and announce their end; here neither bus is there.
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-system-bus"));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-session-bus"));
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(folder() + "velmo-joiner", arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    ProgramRun run(const QStringList& arguments)
    {
        QProcess process;
        start(process, arguments);
        process.waitForFinished(120000);
        return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList join(const QStringList& more = {})
    {
        return QStringList{"--join", "--profile", "AVI - MPEG-4 Video", "--output", m_dir.filePath("joined")} + more
            + QStringList{"--", m_dir.filePath("a.mp4"), m_dir.filePath("b clip.avi")};
    }

    QTemporaryDir m_dir;
};

}

TEST_F(ConsoleMode, HelpAndMistakes)
{
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--join --profile NAME --output FILE"));
    EXPECT_TRUE(help.out.contains("  AVI - MPEG-4 Video\n")) << "the profiles are listed";

    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"--join", "--output", "x.avi", "a", "b"}, "Name the output profile with --profile."},
        {{"--join", "--profile", "Nothing", "--output", "x.avi", "a", "b"}, "There is no profile \"Nothing\""},
        {{"--join", "--profile", "AVI - MPEG-4 Video", "--output", "x.avi", "a"}, "at least 2 videos"},
        {{"--join", "--frobnicate"}, "Unknown option --frobnicate."},
    };
    for (const Case& test : cases) {
        const ProgramRun mistaken = run(test.arguments);
        EXPECT_EQ(mistaken.exitCode, 2) << test.says;
        EXPECT_TRUE(mistaken.err.contains(test.says)) << mistaken.err.toStdString();
    }
}

TEST_F(ConsoleMode, DryRunPrintsTheCommandLinesAndRunsNothing)
{
    const ProgramRun dry = run(join({"--dry-run"}));
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    const QString temp = folder() + "temp/";
    EXPECT_EQ(dry.out,
              " \"" + m_dir.filePath("a.mp4") + "\" -o \"" + temp + "0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480\n"
              " \"" + m_dir.filePath("b clip.avi") + "\" -o \"" + temp + "1.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480\n"
              " \"" + temp + "0.avi\" \"" + temp + "1.avi\" -o \"" + m_dir.filePath("joined.avi") + "\"  -ovc lavc"
              " -lavcopts vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect -oac mp3lame -lameopts vbr=2:q=4 -channels 2"
              " -vf scale=640:480 -srate 44100\n");
    EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));
}

TEST_F(ConsoleMode, JoinsThenRefusesToOverwriteWithoutATerminal)
{
    const ProgramRun joined = run(join());
    ASSERT_EQ(joined.exitCode, 0) << joined.err.toStdString();
    EXPECT_EQ(joined.out, m_dir.filePath("joined.avi") + "\n");
    EXPECT_EQ(ProbeValue(m_dir.filePath("joined.avi"), "v:0", "stream=width"), "640");
    EXPECT_NEAR(ProbeValue(m_dir.filePath("joined.avi"), "", "format=duration").toDouble(), 2.5, 0.5);
    EXPECT_TRUE(QDir(folder() + "temp").entryList(QDir::Files).isEmpty());

    const ProgramRun refused = run(join());
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains("give --overwrite")) << refused.err.toStdString();
    EXPECT_EQ(run(join({"--overwrite"})).exitCode, 0);
}

TEST_F(ConsoleMode, InterruptStopsTheJobAndLeavesNoFile)
{
    QProcess process;
    start(process, join());
    // Stopped once the first conversion has begun.
    for (int wait = 0; wait < 200 && QDir(folder() + "temp").entryList(QDir::Files).isEmpty(); ++wait)
        QThread::msleep(20);
    kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(QDir(folder() + "temp").entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));
}
