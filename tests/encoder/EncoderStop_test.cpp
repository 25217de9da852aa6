// End to end: however the encoder is stopped, no ffmpeg and no file stay behind.
#include "EncoderHarness.h"

#include <QDir>
#include <QFile>
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

class EncoderStopTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        clips_ = new QTemporaryDir;
        // Long enough that the encoder is surely still working when it is stopped.
        MakeClip(clips_->filePath("long.mp4"), ClipOf(40, 320, 240));
    }
    static void TearDownTestSuite() { delete clips_; }

    // Starts the encoder in a process group of its own, as the joiner does, and waits for its ffmpeg.
    void Start()
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
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&encoder_, argv[0], &actions, &attr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ASSERT_TRUE(WaitFor([&] { return !FfmpegChildrenOf(encoder_).isEmpty(); }));
        ffmpeg_ = FfmpegChildrenOf(encoder_).first();
        // Let it write part of the output first.
        QThread::msleep(700);
    }

    int Reap()
    {
        int status = 0;
        waitpid(encoder_, &status, 0);
        return status;
    }

    void ExpectNothingLeft()
    {
        EXPECT_TRUE(WaitFor([&] { return !Alive(ffmpeg_); })) << "ffmpeg outlived the encoder";
        EXPECT_TRUE(FilesIn(folder_.path()).isEmpty()) << FilesIn(folder_.path()).join(' ').toStdString();
    }

    static inline QTemporaryDir* clips_ = nullptr;
    QTemporaryDir folder_;
    QString output_;
    pid_t encoder_ = -1;
    pid_t ffmpeg_ = -1;
};

} // namespace

TEST_F(EncoderStopTest, KillingTheGroup)
{
    Start();
    EXPECT_EQ(getpgid(ffmpeg_), encoder_);
    kill(-encoder_, SIGKILL);
    Reap();
    ExpectNothingLeft();
}

TEST_F(EncoderStopTest, KillingTheEncoderAlone)
{
    Start();
    kill(encoder_, SIGKILL);
    Reap();
    ExpectNothingLeft();
}

TEST_F(EncoderStopTest, TerminatingTheEncoderStopsFfmpegAndCleansUp)
{
    Start();
    kill(encoder_, SIGTERM);
    const int status = Reap();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    ExpectNothingLeft();
}

TEST_F(EncoderStopTest, InterruptingTheGroup)
{
    Start();
    kill(-encoder_, SIGINT);
    const int status = Reap();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    ExpectNothingLeft();
}
