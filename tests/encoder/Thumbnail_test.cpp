// The encoder's picture of a file for the task list: the frame as a player shows it,
// or one line saying why there is none.
#include "EncoderHarness.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

ProgramRun Ffmpeg(const QStringList& args)
{
    return RunProgram("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y"} + args);
}

ProgramRun Thumbnail(const QString& input, const QString& output)
{
    return RunEncoder({"--thumbnail", input, output, "64", "36"});
}

} // namespace

TEST(EncoderThumbnailTest, ThePictureAsAPlayerShowsItOrWhyThereIsNone)
{
    QTemporaryDir folder;
    struct Case {
        const char* name;
        const char* file;
        std::function<void(const QString&)> make;
        int width = 0; // 0: no picture, for the reason below
        int height = 0;
        const char* reason = "";
    };
    const Case cases[] = {
        {"4:3 picture", "square.avi", [](const QString& path) { MakeClip(path, ClipOf(1.0, 320, 240).silent()); },
         48, 36},
        {"16:9 picture of non-square pixels", "wide.mp4",
         [](const QString& path) {
             Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=352x288:duration=1", "-vf", "setsar=16/11", "-c:v",
                     "libx264", path});
         },
         64, 36},
        {"16:9 picture the file turns upright", "turned.mp4",
         [](const QString& path) {
             const QString stored = path + ".stored.mp4";
             Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=320x180:duration=1", "-c:v", "libx264", stored});
             Ffmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=90", path});
         },
         20, 36},
        {"sound only", "sound.avi", [](const QString& path) { MakeClip(path, ClipOf(1.0, 0, 0).noVideo()); }, 0, 0,
         "The file has no picture."},
        {"not a media file", "text.avi",
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(QByteArray(4096, 'x'));
         },
         0, 0, "The file cannot be read: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString input = folder.filePath(c.file);
        c.make(input);
        const QString output = input + ".jpg";
        const ProgramRun run = Thumbnail(input, output);
        if (c.width == 0) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.err.startsWith(c.reason)) << run.err.toStdString();
            EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
            EXPECT_FALSE(QFile::exists(output));
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=codec_name"), "mjpeg");
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=width"), QString::number(c.width));
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=height"), QString::number(c.height));
    }
}

TEST(EncoderThumbnailTest, TakesTheFrameAtATenthOfTheLengthNotTheDarkOpening)
{
    QTemporaryDir folder;
    const QString input = folder.filePath("opening.avi");
    // White for ten seconds, black for the first half second.
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "color=c=white:size=160x120:duration=10", "-vf",
                      "drawbox=color=black:t=fill:enable='lt(t,0.5)'", "-c:v", "mpeg4", input})
                  .exitCode,
              0);
    const QString output = folder.filePath("opening.jpg");
    const ProgramRun run = Thumbnail(input, output);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const ProgramRun luma = RunProgram("ffprobe", {"-v", "error", "-f", "lavfi", "-i", "movie=" + output + ",signalstats",
                                                   "-show_entries", "frame_tags=lavfi.signalstats.YAVG", "-of",
                                                   "default=noprint_wrappers=1:nokey=1"});
    EXPECT_GT(luma.out.trimmed().toDouble(), 200) << luma.out.toStdString() << luma.err.toStdString();
}
