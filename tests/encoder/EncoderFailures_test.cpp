// End to end: bad inputs and bad places are refused by name, and nothing is left
// under the output's name.
#include "EncoderHarness.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

class EncoderFailureTest : public testing::Test {
protected:
    void SetUp() override
    {
        good_ = folder_.filePath("good.avi");
        MakeClip(good_, ClipOf(1.0, 160, 120).codecs("mpeg4", "libmp3lame"));
        output_ = folder_.filePath("out.avi");
    }

    void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Joins the good clip with the given one and expects a refusal naming it.
    void ExpectRefused(const QString& bad, const QString& words)
    {
        const ProgramRun run = RunEncoder({good_, bad, "-o", output_, "-oac", "mp3lame", "-ovc", "lavc"});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(LastErrorLine(run).contains(words)) << run.err.toStdString();
        EXPECT_TRUE(LastErrorLine(run).endsWith(bad)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(output_));
    }

    QTemporaryDir folder_;
    QString good_;
    QString output_;
};

} // namespace

TEST_F(EncoderFailureTest, BadInputsAreRefusedByName)
{
    const QString text = folder_.filePath("notes.avi");
    Write(text, "These are not frames.\n");
    const QString empty = folder_.filePath("empty.avi");
    Write(empty, "");
    const QString song = folder_.filePath("song.mp3");
    MakeClip(song, ClipOf(1.0, 160, 120).noVideo());
    const QString whole = folder_.filePath("whole.mp4");
    MakeClip(whole, ClipOf(1.0, 160, 120));
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString cut = folder_.filePath("cut.mp4");
    Write(cut, file.read(file.size() / 2));
    const QString pipe = folder_.filePath("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);

    ExpectRefused(text, "not a readable video file");
    ExpectRefused(empty, "empty");
    ExpectRefused(folder_.filePath("gone.avi"), "not found");
    ExpectRefused(song, "no video stream");
    ExpectRefused(cut, "not a readable video file");
    ExpectRefused(pipe, "a pipe or a device");
}

TEST_F(EncoderFailureTest, TruncatedAviGivesWhatItHolds)
{
    QFile file(good_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString cut = folder_.filePath("cut.avi");
    Write(cut, file.read(file.size() / 2));
    // As long as the picture that really decodes, whatever the header says.
    const double readable = LengthOf(cut, "v:0");
    ASSERT_GT(readable, 0.1);
    const ProgramRun run = RunEncoder({cut, "-o", output_});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_NEAR(LengthOf(output_, "v:0"), readable, 0.041);
    EXPECT_TRUE(DecodesCleanly(output_));
}

TEST_F(EncoderFailureTest, OutputFolderMissing)
{
    const QString output = folder_.filePath("nowhere/out.avi");
    const ProgramRun run = RunEncoder({good_, "-o", output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(LastErrorLine(run), "Output folder does not exist: " + folder_.filePath("nowhere"));
}

TEST_F(EncoderFailureTest, OutputFolderNotWritable)
{
    const QString locked = folder_.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QStringList command{EncoderProgram(), good_, "-o", locked + "/out.avi"};
    if (geteuid() == 0) {
        // Root writes into any folder: the encoder runs as an unprivileged user instead.
        QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadOther | QFile::ExeOther);
        const QStringList asNobody{"--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        if (RunProgram("setpriv", asNobody + QStringList{"test", "-x", EncoderProgram(), "-a", "-r", good_}).exitCode != 0)
            GTEST_SKIP() << "an unprivileged user cannot reach the encoder or the clip here";
        command = asNobody + command;
        command.prepend("setpriv");
    }
    const ProgramRun run = RunProgram(command.first(), command.mid(1));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(LastErrorLine(run), "Output folder is not writable: " + locked);
    EXPECT_TRUE(FilesIn(locked).isEmpty());
}

TEST_F(EncoderFailureTest, OutputIsOneOfTheInputs)
{
    const ProgramRun run = RunEncoder({good_, "-o", good_});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(LastErrorLine(run).contains("also an input"));
    EXPECT_TRUE(DecodesCleanly(good_));
}

TEST_F(EncoderFailureTest, MissingFfmpegIsSaidPlainly)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", folder_.path().toUtf8());
    const ProgramRun run = RunEncoder({good_, "-o", output_});
    qputenv("PATH", path);
    EXPECT_EQ(run.exitCode, 127);
    EXPECT_TRUE(LastErrorLine(run).contains("not found")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(output_));
}
