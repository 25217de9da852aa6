// End to end: however the encoder is stopped, no ffmpeg and no file stay behind.
#include "EncoderHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// The ids of the ffmpeg processes whose parent is pid.
QList<pid_t> FfmpegChildrenOf(pid_t pid)
{
    QList<pid_t> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(stat.readAll());
        // The fields after the command's closing parenthesis: state, then the parent's id.
        const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (text.contains("(ffmpeg)") && fields.size() > 1 && fields[1].toInt() == pid && fields[0] != "Z")
            children << entry.toInt();
    }
    return children;
}

bool Alive(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(stat.readAll());
    return !text.mid(text.lastIndexOf(')') + 2).startsWith('Z');
}

// Waits (bounded, not timed as a result) until the condition holds.
template <typename Condition>
bool WaitFor(Condition condition)
{
    for (int i = 0; i < 600; ++i) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return false;
}

struct StopCase {
    const char* name;
    int signal;
    bool wholeGroup;
    bool noUnnamedFiles = false; // as on vfat, exFAT, NFS or FUSE
    bool callerGone = false; // the program reading its progress ends instead of a signal
};

const QByteArray kNoUnnamedFiles = QByteArray("LD_PRELOAD=") + NO_UNNAMED_FILES_LIBRARY;

class EncoderStopTest : public testing::TestWithParam<StopCase> {
protected:
    static void SetUpTestSuite()
    {
        clips_ = new QTemporaryDir;
        // Long enough that the encoder is surely still working when it is stopped.
        MakeClip(clips_->filePath("long.mp4"), ClipOf(40, 320, 240));
        MakeClip(clips_->filePath("short.mp4"), ClipOf(0.5, 160, 120));
    }
    static void TearDownTestSuite() { delete clips_; }

    // Starts the encoder in a process group of its own, as the joiner does, and waits for its ffmpeg.
    void Start(bool noUnnamedFiles, bool progressPipe = false)
    {
        output_ = folder_.filePath("out.avi");
        const std::vector<std::string> args = {EncoderProgram().toStdString(), clips_->filePath("long.mp4").toStdString(),
                                               "-o", output_.toStdString(), "-oac", "mp3lame", "-ovc", "lavc",
                                               "-ofps", "30", "-vf", "scale=640:480"};
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int progress[2] = {-1, -1};
        if (progressPipe) {
            ASSERT_EQ(pipe2(progress, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, progress[1], 1);
            progress_ = progress[0];
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> env;
        for (char** variable = environ; *variable; ++variable)
            env.push_back(*variable);
        QByteArray preload = kNoUnnamedFiles;
        if (noUnnamedFiles)
            env.push_back(preload.data());
        env.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&encoder_, argv[0], &actions, &attr, argv.data(), env.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        if (progressPipe)
            close(progress[1]);
        // The probes come first; then one ffmpeg run makes the output.
        ASSERT_TRUE(WaitFor([&] { return !FfmpegChildrenOf(encoder_).isEmpty(); }));
        ffmpeg_ = FfmpegChildrenOf(encoder_);
        for (const pid_t ffmpeg : ffmpeg_) {
            if (const pid_t group = getpgid(ffmpeg); group != -1) {
                EXPECT_EQ(group, encoder_);
            }
        }
        // Let it write part of the output first.
        QThread::msleep(700);
    }

    int Reap()
    {
        int status = 0;
        waitpid(encoder_, &status, 0);
        return status;
    }

    void ExpectNoFfmpegLeft()
    {
        for (const pid_t ffmpeg : ffmpeg_)
            EXPECT_TRUE(WaitFor([&] { return !Alive(ffmpeg); })) << "ffmpeg outlived the encoder";
    }

    static inline QTemporaryDir* clips_ = nullptr;
    QTemporaryDir folder_;
    QString output_;
    pid_t encoder_ = -1;
    int progress_ = -1; // the read end of the progress pipe, when there is one
    QList<pid_t> ffmpeg_;
};

} // namespace

TEST_P(EncoderStopTest, LeavesNoProcessAndNoFile)
{
    const StopCase& c = GetParam();
    Start(c.noUnnamedFiles, c.callerGone);
    if (c.callerGone)
        close(progress_);
    else
        kill(c.wholeGroup ? -encoder_ : encoder_, c.signal);
    const int status = Reap();
    if (c.signal != SIGKILL) {
        // The encoder itself stops ffmpeg, removes its files and says why it ended.
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
    }
    ExpectNoFfmpegLeft();
    if (c.noUnnamedFiles && c.signal == SIGKILL) {
        // Killed outright, the encoder leaves its hidden file. No later run removes it: nothing
        // tells it from a user's file of that name.
        const QStringList left = FilesIn(folder_.path());
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(QRegularExpression("^\\.out\\.avi\\.[0-9a-f]{16}\\.part$").match(left.first()).hasMatch())
            << left.first().toStdString();
        const QString users = ".holiday.avi.0123456789abcdef.part";
        QFile(folder_.filePath(users)).open(QIODevice::WriteOnly);
        qputenv("LD_PRELOAD", NO_UNNAMED_FILES_LIBRARY);
        const ProgramRun run = RunEncoder({clips_->filePath("short.mp4"), "-o", folder_.filePath("next.avi")});
        qunsetenv("LD_PRELOAD");
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(FilesIn(folder_.path()), (QStringList{users, left.first(), "next.avi"}));
        EXPECT_TRUE(DecodesCleanly(folder_.filePath("next.avi")));
    } else {
        EXPECT_TRUE(FilesIn(folder_.path()).isEmpty()) << FilesIn(folder_.path()).join(' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWay, EncoderStopTest,
                         testing::Values(StopCase{"KillingTheGroup", SIGKILL, true},
                                         StopCase{"KillingTheEncoderAlone", SIGKILL, false},
                                         StopCase{"TerminatingTheEncoder", SIGTERM, false},
                                         StopCase{"InterruptingTheGroup", SIGINT, true},
                                         StopCase{"KillingWithoutUnnamedFiles", SIGKILL, false, true},
                                         StopCase{"TerminatingWithoutUnnamedFiles", SIGTERM, false, true},
                                         StopCase{"LosingTheProgramThatReadsItsProgress", SIGPIPE, false, false, true}),
                         [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(EncoderPollFailureTest, EndsAndStopsItsHelpers)
{
    // The first helpers already fill their pipes: waiting for them would never end.
    QTemporaryDir folder;
    const QString input = folder.filePath("in.avi");
    MakeClip(input, ClipOf(20, 160, 120));
    qputenv("LD_PRELOAD", FAILING_POLL_LIBRARY);
    const ProgramRun run = RunEncoder({input, "-o", folder.filePath("out.avi")});
    qunsetenv("LD_PRELOAD");
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(LastErrorLine(run).startsWith("Cannot follow the helper programs")) << run.err.toStdString();
    EXPECT_EQ(FilesIn(folder.path()), QStringList{"in.avi"});
}

TEST(EncoderChangedInputTest, AnInputCutShortWhileReadFailsTheRunByName)
{
    QTemporaryDir folder;
    const QString input = folder.filePath("recording.avi");
    MakeClip(input, ClipOf(20, 320, 240));
    const QString output = folder.filePath("out.avi");
    QProcess encoder;
    encoder.start(EncoderProgram(), {input, "-o", output, "-oac", "mp3lame", "-ovc", "lavc", "-vf", "scale=640:480"});
    ASSERT_TRUE(encoder.waitForStarted());
    // Cut once ffmpeg has read a second of it.
    QString out;
    ASSERT_TRUE(WaitFor([&] {
        encoder.waitForReadyRead(50);
        out += QString::fromUtf8(encoder.readAllStandardOutput());
        return PositionsIn(out).value(PositionsIn(out).size() - 1) > 1;
    }));
    ASSERT_TRUE(QFile::resize(input, QFileInfo(input).size() / 2));
    ASSERT_TRUE(encoder.waitForFinished(120000));
    const QString errors = QString::fromUtf8(encoder.readAllStandardError());
    EXPECT_EQ(encoder.exitCode(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.trimmed().endsWith("changed while it was being read (" + QString::number(QFileInfo(input).size() * 2)
                                          + " bytes when probed, " + QString::number(QFileInfo(input).size())
                                          + " now): " + input))
        << errors.toStdString();
    EXPECT_EQ(FilesIn(folder.path()), QStringList{"recording.avi"});
}
