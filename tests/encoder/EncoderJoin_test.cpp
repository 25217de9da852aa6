// End to end: the joiner's two stages, with inputs that differ in everything.
#include "EncoderHarness.h"
#include "EncoderLines.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList JoinOptions()
{
    return {"-ovc", "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect", "-oac", "mp3lame",
            "-lameopts", "vbr=2:q=4", "-channels", "2", "-vf", "scale=320:240", "-srate", "44100"};
}

struct ToneJoin {
    const char* extension;
    QStringList options;
    double primed; // seconds at the start that the codec's priming holds, which AVI cannot skip
};

} // namespace

TEST(EncoderJoinTest, AToneThatRunsThroughEveryInputRunsThroughEveryJoint)
{
    QTemporaryDir folder;
    struct Source {
        const char* name;
        ClipRecipe clip;
    };
    const QList<Source> sources = {
        {"first.mp4", ClipOf(1.2, 160, 120).rate("25").sound(2, 44100).codecs("libx264", "aac")},
        {"low_rate.mp4", ClipOf(1.0, 160, 120).rate("30").sound(1, 22050).codecs("libx264", "aac")},
        {"pcm.avi", ClipOf(1.0, 160, 120).rate("30").sound(2, 48000).codecs("mpeg4", "pcm_s16le")},
    };
    QStringList intermediates;
    for (const Source& source : sources) {
        const QString input = folder.filePath(source.name);
        MakeClip(input, source.clip);
        intermediates << folder.filePath(QString("%1.avi").arg(intermediates.size()));
        const ProgramRun run = RunEncoder({input, "-o", intermediates.last(), "-oac", "mp3lame", "-ovc", "lavc",
                                           "-ofps", "30", "-vf", "scale=160:120"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    const QList<ToneJoin> joins = {
        {"avi", {"-lavcopts", "vcodec=mpeg4", "-oac", "mp3lame", "-srate", "44100"}, 0.030},
        {"mp4", {"-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "48000"}, 0},
        {"wmv", {"-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2", "-srate", "22050"}, 0},
    };
    for (const ToneJoin& join : joins) {
        const QString output = folder.filePath(QString("joined.") + join.extension);
        const ProgramRun run = RunEncoder(intermediates + QStringList{"-o", output, "-ovc", "lavc"} + join.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QList<double> quiet = QuietWindows(output, 3.2);
        quiet.removeIf([&](double moment) { return moment < join.primed; });
        EXPECT_EQ(quiet, QList<double>()) << join.extension;
    }
}

TEST(EncoderJoinTest, MixedInputsJoinInOrderAndStayInSync)
{
    QTemporaryDir folder;
    const QString a = folder.filePath("a.mp4");
    const QString b = folder.filePath("b silent.avi");
    const QString c = folder.filePath("c.mov");
    MakeClip(a, ClipOf(1.0, 320, 240).rate("25").sound(2, 44100));
    MakeClip(b, ClipOf(1.5, 160, 120).rate("30").silent().codecs("mpeg4", ""));
    MakeClip(c, ClipOf(1.2, 176, 144).rate("24").sound(1, 48000));

    const QString output = folder.filePath("joined.avi");
    const ProgramRun run = RunEncoder(QStringList{a, b, c, "-o", output} + JoinOptions());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const double video = LengthOf(output, "v:0");
    const double audio = LengthOf(output, "a:0");
    EXPECT_NEAR(video, 3.7, 3.0 / 25);
    EXPECT_NEAR(audio, video, 0.1);
    EXPECT_EQ(ProbeValue(output, "a:0", "stream=sample_rate"), "44100");
    EXPECT_EQ(ProbeValue(output, "a:0", "stream=channels"), "2");
    EXPECT_TRUE(DecodesCleanly(output));

    // The silent input's span is silent and its neighbours' tones sit where their pictures are.
    EXPECT_GT(MaxVolume(output, 0.1, 0.8), -40);
    EXPECT_LT(MaxVolume(output, 1.1, 1.3), -80);
    EXPECT_GT(MaxVolume(output, 2.6, 1.0), -40);

    const QList<double> positions = PositionsIn(run.out);
    ASSERT_FALSE(positions.isEmpty());
    for (int i = 1; i < positions.size(); ++i)
        EXPECT_GE(positions[i], positions[i - 1]);
    EXPECT_NEAR(positions.last(), 3.7, 0.1);
}

TEST(EncoderJoinTest, TwoStagesAsTheJoinerRunsThem)
{
    QTemporaryDir folder;
    const QString wide = folder.filePath("wide.mp4");
    const QString small = folder.filePath("small.mpg");
    MakeClip(wide, ClipOf(1.0, 320, 180).rate("25"));
    MakeClip(small, ClipOf(1.0, 160, 120).rate("30000/1001").codecs("mpeg2video", "mp2"));

    QStringList intermediates;
    for (const QString& input : {wide, small}) {
        const QString intermediate = folder.filePath(QString("%1.avi").arg(intermediates.size()));
        const ProgramRun run = RunEncoder({input, "-o", intermediate, "-oac", "mp3lame", "-ovc", "lavc",
                                           "-ofps", "30", "-vf", "scale=320:240"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(ProbeValue(intermediate, "v:0", "stream=codec_name"), "mpeg4");
        EXPECT_EQ(ProbeValue(intermediate, "v:0", "stream=r_frame_rate"), "30/1");
        EXPECT_EQ(ProbeValue(intermediate, "a:0", "stream=codec_name"), "mp3");
        EXPECT_NEAR(LengthOf(intermediate, "v:0"), 1.0, 1.0 / 30 + 1e-3);
        EXPECT_TRUE(run.out.contains(QRegularExpression("Pos: +1\\.0s +[0-9]+f \\(100%\\)\r")))
            << run.out.toStdString();
        intermediates << intermediate;
    }

    const QString output = folder.filePath("movie.mp4");
    QStringList options = JoinOptions();
    options[3] = "vcodec=h264:vbitrate=1800:mbd=2:aspect=16:9";
    const ProgramRun run = RunEncoder(intermediates + QStringList{"-o", output} + options);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=display_aspect_ratio"), "16:9");
    EXPECT_NEAR(LengthOf(output, "v:0"), 2.0, 2.0 / 30 + 1e-3);
    EXPECT_TRUE(DecodesCleanly(output));
    EXPECT_EQ(FilesIn(folder.path()).filter(".part").size(), 0);
}

// An output that is a symbolic link is followed only when it is this user's (or root's),
// and only to a file that exists.
TEST(EncoderJoinTest, AnOutputLinkIsFollowedOnlyWhenItIsTheUsersAndOnlyToAFile)
{
    struct Case {
        const char* name;
        bool targetExists;
        bool othersLink;
        mode_t folderMode;
        const char* refusal; // "" when the older file is replaced through the link
    };
    const char* othersLink = "The output file is a symbolic link of another user (nobody), which is not followed: ";
    const Case cases[] = {
        {"a link to an older output", true, false, 0755, ""},
        {"a link to nothing", false, false, 0755, "The output file is a symbolic link to a file that does not exist: "},
        {"another user's link in a shared sticky folder", true, true, 01777, othersLink},
        {"another user's link in the user's own folder", true, true, 0755, othersLink},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString input = folder.filePath("in.avi");
        MakeClip(input, ClipOf(0.5, 160, 120));
        const QString target = folder.filePath("real.avi");
        if (c.targetExists) {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
            old.close();
            ASSERT_EQ(chmod(target.toUtf8().constData(), 0640), 0);
        }
        ASSERT_TRUE(QDir(folder.path()).mkdir("shared"));
        const QString shared = folder.filePath("shared");
        ASSERT_EQ(chmod(shared.toUtf8().constData(), c.folderMode), 0);
        const QString link = shared + "/out.avi";
        ASSERT_TRUE(QFile::link(target, link));
        if (c.othersLink && lchown(link.toUtf8().constData(), 65534, 65534) != 0)
            GTEST_SKIP() << "only root can give a link to another user";

        const ProgramRun run = RunEncoder({input, "-o", link});
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"out.avi"});
        if (*c.refusal) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(LastErrorLine(run).startsWith(c.refusal)) << run.err.toStdString();
            EXPECT_EQ(QFileInfo::exists(target), c.targetExists) << "the link's target is as it was";
            EXPECT_EQ(QFileInfo(target).size(), c.targetExists ? 3 : 0);
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(DecodesCleanly(target));
        struct stat info {};
        ASSERT_EQ(stat(target.toUtf8().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(FilesIn(folder.path()), (QStringList{"in.avi", "real.avi"}));
    }
}

// Runs that must not replace a file never take one name, with or without unnamed files,
// and tell the name they took in a line that a name with a line break cannot forge.
TEST(EncoderJoinTest, OutputsThatKeepExistingFilesTakeTheNextFreeNumberAndSaySo)
{
    QTemporaryDir folder;
    const QString input = folder.filePath("in.avi");
    MakeClip(input, ClipOf(0.5, 160, 120));
    const QString stem = "out\n#velmo renamed %2Fetc%2Fpasswd\t";
    const QString output = folder.filePath(stem + ".avi");
    const EnvironmentGuard tagged(encoderlines::WantedVariable, "t0");
    QStringList told;
    for (const bool unnamedFiles : {true, true, false}) {
        if (!unnamedFiles)
            qputenv("LD_PRELOAD", NO_UNNAMED_FILES_LIBRARY);
        const ProgramRun run = RunEncoder({"-noreplace", input, "-o", output});
        qunsetenv("LD_PRELOAD");
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (const QString& line : run.out.split('\n'))
            if (const auto read = encoderlines::ReadLine(line.section('\r', -1).toStdString(), "t0");
                read && read->kind == encoderlines::Kind::Renamed)
                told << QString::fromStdString(read->text);
    }
    EXPECT_EQ(told, (QStringList{folder.filePath(stem + "_1.avi"), folder.filePath(stem + "_2.avi")}));
    EXPECT_EQ(FilesIn(folder.path()), (QStringList{"in.avi", stem + ".avi", stem + "_1.avi", stem + "_2.avi"}));
    for (const QString& name : {stem + ".avi", stem + "_1.avi", stem + "_2.avi"})
        EXPECT_TRUE(DecodesCleanly(folder.filePath(name))) << name.toStdString();
}

TEST(EncoderJoinTest, ValuesChangedToWhatTheOutputHoldsAreSaid)
{
    QTemporaryDir folder;
    // An odd size asked for is refused; an input's own odd size is made even.
    const QString input = folder.filePath("in.avi");
    ASSERT_EQ(RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=161x121:d=0.5", "-c:v",
                                    "ffv1", input}).exitCode, 0);
    const QString output = folder.filePath("out.flv");
    const ProgramRun run = RunEncoder({input, "-o", output, "-lavcopts", "vcodec=flv", "-srate", "48000", "-vf",
                                       "harddup", "-ofps", "30000/1001"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, "Picture size 161x121 changed to 160x120: the video codecs need even sizes\n"
                       "Sample rate 48000 Hz changed to 44100 Hz: the nearest that libmp3lame in flv holds\n");
    EXPECT_EQ(ProbeValue(output, "a:0", "stream=sample_rate"), "44100");
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=r_frame_rate"), "30000/1001");
}

TEST(EncoderJoinTest, FortyInputsAsIfOnSixtyFourCoresKeepEveryFrameAndBeep)
{
    QTemporaryDir folder;
    // 11 frames at 30 fps last 0.366667 s, which rounded up gave a twelfth frame at every joint.
    FlashBeepClip clip;
    clip.pictureSeconds = clip.soundSeconds = 11 / 30.0;
    clip.moments = {0.15};
    clip.codecs = QStringList{"-c:v", "libx264", "-c:a", "aac"};
    const QString source = folder.filePath("clip.mp4");
    MakeFlashBeepClip(source, clip);
    const QString intermediate = folder.filePath("0.avi");
    ASSERT_EQ(RunEncoder({source, "-o", intermediate, "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30"}).exitCode, 0);
    ASSERT_EQ(FrameCount(intermediate), 11);
    QStringList inputs{intermediate};
    for (int i = 1; i < 40; ++i) {
        inputs << folder.filePath(QString("%1.avi").arg(i));
        ASSERT_TRUE(QFile::copy(intermediate, inputs.last()));
    }

    const QString output = folder.filePath("joined.avi");
    qputenv("VELMO_ENCODER_CORES", "64");
    const ProgramRun run = RunEncoder(inputs + QStringList{"-o", output} + JoinOptions());
    qunsetenv("VELMO_ENCODER_CORES");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FrameCount(output), 40 * 11);
    const double inStep = BeepMinusFlash(source).value(0);
    const QList<double> joined = BeepMinusFlash(output);
    EXPECT_EQ(joined.size(), 40);
    for (int i = 0; i < joined.size(); ++i)
        EXPECT_TRUE(joined[i] - inStep >= -0.040 && joined[i] - inStep <= 0.060) << "joint " << i << ": " << joined[i];
}

// Files put together whole, as DVD rips and recordings often are: the second part's
// clock starts again, or leaps ahead. Every frame is kept once, in order, and nothing freezes.
TEST(EncoderJoinTest, TimestampJumpsAreFollowedThrough)
{
    struct Joined {
        const char* name;
        const char* format;
        double secondPartClock; // where the second part's timestamps start
    };
    const QList<Joined> cases = {
        {"clock_reset.vob", "vob", 0},
        {"leap.vob", "vob", 40},
        {"leap.ts", "mpegts", 40},
    };
    QTemporaryDir folder;
    for (const Joined& joined : cases) {
        QByteArray bytes;
        for (const QString& part : {QString("testsrc2"), QString("testsrc")}) {
            const QString path = folder.filePath("part");
            const double clock = part == "testsrc" ? joined.secondPartClock : 0;
            const ProgramRun made = RunProgram(
                "ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", part + "=s=160x120:r=25:d=1", "-f",
                           "lavfi", "-i", "sine=r=48000:d=1", "-c:v", "mpeg2video", "-c:a", "mp2", "-output_ts_offset",
                           QString::number(clock), "-f", joined.format, path});
            ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            bytes += file.readAll();
        }
        const QString input = folder.filePath(joined.name);
        QFile file(input);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        const QString output = folder.filePath(QString(joined.name) + ".avi");
        const ProgramRun run = RunEncoder({input, "-o", output, "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "25"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(FrameCount(output), 50) << joined.name;
        EXPECT_NEAR(LengthOf(output, "a:0"), 2.0, 0.05) << joined.name;
        const ProgramRun frozen = RunProgram("ffmpeg", {"-nostdin", "-i", output, "-vf", "freezedetect=d=0.2",
                                                        "-an", "-f", "null", "-"});
        EXPECT_FALSE(frozen.err.contains("freeze_start")) << joined.name;
    }
}

namespace {

// The mean brightness (0-255) of a part of a file's first frame.
double MeanLuma(const QString& path, int x, int y, int width, int height)
{
    const ProgramRun run = RunProgram(
        "ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-frames:v", "1", "-vf",
                   QString("crop=%1:%2:%3:%4,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-")
                       .arg(width).arg(height).arg(x).arg(y),
                   "-f", "null", "-"});
    return run.out.section("YAVG=", 1).section('\n', 0, 0).toDouble();
}

struct Region {
    const char* what;
    int x, y, width, height;
    double low, high; // its brightness lies within
};

} // namespace

// A picture keeps its shape as a viewer sees it, turn and pixel shape included, between
// black bars; upright as a player shows it (white above grey).
TEST(EncoderJoinTest, EveryPictureKeepsItsShapeBetweenBlackBars)
{
    struct Shape {
        const char* name;
        QString picture;  // lavfi source: white above grey, as a player shows it
        QStringList made; // how it is stored
        QList<Region> regions; // in the joined 320x240 output
    };
    const QString upright = "color=white:s=180x160:d=1,pad=180:320:0:0:gray";
    const QString anamorphic = "color=white:s=160x60:d=1,pad=160:120:0:0:gray";
    const QList<Shape> shapes = {
        {"portrait_phone.mp4", upright, {"-vf", "transpose=clock", "-c:v", "libx264"},
         {{"left bar", 0, 0, 84, 240, 0, 20}, {"right bar", 236, 0, 84, 240, 0, 20},
          {"top", 100, 10, 120, 100, 200, 255}, {"bottom", 100, 130, 120, 100, 100, 160},
          {"picture's left edge", 96, 10, 6, 220, 100, 255}, {"picture's right edge", 218, 10, 6, 220, 100, 255}}},
        {"wide_pixels.mpg", anamorphic, {"-vf", "setsar=4/3", "-c:v", "mpeg2video"},
         {{"top bar", 0, 0, 320, 26, 0, 20}, {"bottom bar", 0, 214, 320, 26, 0, 20},
          {"top", 10, 34, 300, 80, 200, 255}, {"bottom", 10, 126, 300, 80, 100, 160}}},
    };
    QTemporaryDir folder;
    for (const Shape& shape : shapes) {
        const QString stored = folder.filePath(QString("stored_") + shape.name);
        ProgramRun made = RunProgram("ffmpeg", QStringList{"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                                                           shape.picture, "-f", "lavfi", "-i", "sine=d=1"}
                                                   + shape.made + QStringList{stored});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        // Phones store the picture on its side and say how to turn it.
        const QString input = folder.filePath(shape.name);
        const QStringList turn = QString(shape.name).startsWith("portrait")
            ? QStringList{"-metadata:s:v:0", "rotate=90"} : QStringList{};
        made = RunProgram("ffmpeg", QStringList{"-nostdin", "-y", "-v", "error", "-i", stored, "-c", "copy"} + turn
                                        + QStringList{input});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

        const QString intermediate = folder.filePath(QString(shape.name) + ".avi");
        ProgramRun run = RunEncoder({input, "-o", intermediate, "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                                     "-vf", "scale=320:240"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString output = folder.filePath(QString(shape.name) + ".mp4");
        run = RunEncoder({intermediate, "-o", output, "-ovc", "lavc", "-lavcopts", "vcodec=h264", "-oac", "lavc",
                          "-lavcopts", "acodec=aac", "-vf", "scale=320:240"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (const Region& region : shape.regions) {
            const double luma = MeanLuma(output, region.x, region.y, region.width, region.height);
            EXPECT_TRUE(luma >= region.low && luma <= region.high) << shape.name << ", " << region.what << ": " << luma;
        }
    }
}

// Inputs that only look like the program's own, or that end before their headers say:
// each is joined with all of it that can be read, and a file cut short is named.
TEST(EncoderJoinTest, EveryInputGivesAllThatCanBeReadOfIt)
{
    struct Input {
        const char* name;
        QStringList codecs;
        double kept; // of the file's bytes: below 1 it is cut short, and named
    };
    const QList<Input> inputs = {
        {"titled_like_a_lead_in.avi",
         {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-metadata:s:a:0", "title=velmo lead-in 1105"}, 1},
        {"cut_short.mp4", {"-c:v", "libx264", "-c:a", "aac", "-movflags", "+faststart"}, 0.6},
        {"cut_short.avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 0.6},
    };
    QTemporaryDir folder;
    for (const Input& input : inputs) {
        FlashBeepClip clip;
        clip.pictureSeconds = clip.soundSeconds = 3;
        clip.codecs = input.codecs;
        const QString path = folder.filePath(input.name);
        MakeFlashBeepClip(path, clip);
        ASSERT_TRUE(QFile::resize(path, static_cast<qint64>(QFileInfo(path).size() * input.kept)));
        const QString output = folder.filePath(QString(input.name) + ".mp4");
        const ProgramRun run = RunEncoder({path, "-o", output, "-ovc", "lavc", "-lavcopts", "vcodec=h264"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const double picture = LengthOf(output, "v:0");
        EXPECT_TRUE(input.kept < 1 ? picture < 2.5 : std::abs(picture - 3) < 0.1) << input.name << ": " << picture;
        EXPECT_NEAR(LengthOf(output, "a:0"), picture, 0.05) << input.name;
        EXPECT_GT(MaxVolume(output, 0, picture), -40) << input.name << ": its sound was lost";
        const QString note =
            QString("%1 ends early: %2 s of its 3.0 s could be read\n").arg(input.name).arg(picture, 0, 'f', 1);
        EXPECT_EQ(run.err, input.kept < 1 ? note : "") << input.name;
    }
}
