// End to end: the encode-once plan. Each input becomes a piece encoded as the join
// encodes, and the join copies the pieces' pictures and encodes their sound once.
#include "EncoderHarness.h"

#include <gtest/gtest.h>

namespace {

struct Join {
    const char* extension;
    double primed; // seconds at the start that the codec's priming holds, which the container cannot skip
    double smear;  // how far the codec spreads a quiet moment of the pieces
    QStringList options;
};

struct Source {
    const char* name;
    double seconds;
    double soundLate; // the sound starts this much after the picture
    const char* frameRate;
    int sampleRate;
    QStringList codecs;
};

// Flashes with beeps at 0.4 and 1.0 s of each stream's own time, over a quiet tone that
// the beeps' detection takes for silence but that no 5 ms window of a join may lose.
void MakeSource(const QString& path, const Source& source)
{
    const QString picture = QString("color=c=gray:s=128x96:r=%1:d=%2,drawbox=c=white:t=fill:"
                                    "enable='between(t,0.39,0.43)+between(t,0.99,1.03)'")
                                .arg(source.frameRate).arg(source.seconds);
    const QString sound = QString("aevalsrc='0.8*sin(2*PI*1000*t)*(between(t,0.4,0.44)+between(t,1.0,1.04))"
                                  "+0.025*sin(2*PI*400*t)':s=%1:d=%2")
                              .arg(source.sampleRate).arg(source.seconds - source.soundLate);
    const ProgramRun run = RunProgram(
        "ffmpeg", QStringList{"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", picture, "-itsoffset",
                              QString::number(source.soundLate), "-f", "lavfi", "-i", sound}
                      + source.codecs + QStringList{path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
}

// The start of every 5 ms window of the sound below -40 dB, in seconds from the file's start.
QList<double> QuietWindows(const QString& path)
{
    QList<double> quiet;
    for (const SoundWindow& window : SoundWindows(path))
        if (window.quiet)
            quiet << window.moment;
    return quiet;
}

// The checksums of a file's video packets that are no key frames: a copied picture keeps them.
QStringList InnerPictureChecksums(const QString& path)
{
    const ProgramRun run = RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-map", "0:v:0", "-c", "copy",
                                                 "-f", "framemd5", "-"});
    QStringList sums;
    for (const QString& line : run.out.split('\n'))
        if (line.startsWith("0,") && line.contains("F=0x0"))
            sums << line.section(',', 5, 5).trimmed();
    return sums;
}

} // namespace

TEST(EncoderPiecesTest, PiecesOfMixedInputsJoinByCopyFrameExactAndInStepAtEveryJoint)
{
    const QList<Source> sources = {
        {"phone.mp4", 1.6, 0, "25", 44100, {"-c:v", "libx264", "-c:a", "aac"}},
        {"video_cd.mpg", 1.3, 0, "30", 48000, {"-c:v", "mpeg1video", "-c:a", "mp2"}},
        {"camera.avi", 1.4, 0, "30", 22050, {"-c:v", "mjpeg", "-c:a", "pcm_s16le"}},
        {"sound_late.ts", 1.6, 0.3, "30", 48000, {"-c:v", "mpeg2video", "-c:a", "mp2"}},
    };
    const QList<Join> joins = {
        {"avi", 0.030, 0.006, {"-lavcopts", "vcodec=mpeg4:vbitrate=800:mbd=2:autoaspect", "-oac", "mp3lame",
                               "-lameopts", "vbr=2:q=4", "-srate", "44100"}},
        {"mp4", 0, 0.006, {"-lavcopts", "vcodec=h264:vbitrate=800:autoaspect", "-oac", "lavc", "-lavcopts",
                           "acodec=aac", "-srate", "48000"}},
        {"mpg", 0.010, 0.030, {"-lavcopts", "vcodec=mpeg1video:vbitrate=800:autoaspect", "-oac", "lavc",
                               "-lavcopts", "acodec=mp2", "-srate", "44100"}},
        {"wmv", 0, 0.100, {"-lavcopts", "vcodec=wmv2:vbitrate=800:autoaspect", "-oac", "lavc", "-lavcopts",
                           "acodec=wmav2", "-srate", "44100"}},
        // Matroska keeps AAC's priming, and starts the picture that much later.
        {"mkv", 0.025, 0.030, {"-lavcopts", "vcodec=h264:vbitrate=800:autoaspect", "-oac", "lavc", "-lavcopts",
                               "acodec=aac", "-srate", "48000"}},
        {"webm", 0, 0.010, {"-lavcopts", "vcodec=vp9:vbitrate=800:autoaspect", "-oac", "lavc", "-lavcopts",
                            "acodec=opus", "-srate", "48000"}},
        {"mp4", 0, 0.006, {"-lavcopts", "vcodec=hevc:vbitrate=400:autoaspect", "-oac", "lavc", "-lavcopts",
                           "acodec=aac", "-srate", "48000"}},
        // A DVD's pieces are shaped as the DVD is: NTSC, 29.97 frames a second.
        {"vob", 0.010, 0.030, {"-lavcopts", "vcodec=mpeg2video:vbitrate=800:autoaspect", "-oac", "lavc",
                               "-lavcopts", "acodec=ac3", "-srate", "48000", "-vf", "scale=720:480"}},
    };
    QTemporaryDir folder;
    QList<double> expected;
    for (const Source& source : sources) {
        MakeSource(folder.filePath(source.name), source);
        expected += BeepMinusFlash(folder.filePath(source.name));
    }
    for (const Join& join : joins) {
        const QStringList options = QStringList{"-ovc", "lavc", "-channels", "2", "-vf", "scale=128:96"} + join.options;
        QStringList pieces;
        long frames = 0;
        QStringList pictures;
        QList<double> quietInPieces; // where the pieces' own sound is quiet, in the join's time
        for (const Source& source : sources) {
            pieces << folder.filePath(QString("%1.mkv").arg(pieces.size()));
            const ProgramRun run = RunEncoder(QStringList{folder.filePath(source.name), "-o", pieces.last(), "-piece",
                                                          "-piecefor", join.extension, "-ofps", "30"} + options);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            for (const double moment : QuietWindows(pieces.last()))
                quietInPieces << frames / 30.0 + moment;
            frames += FrameCount(pieces.last());
            pictures += InnerPictureChecksums(pieces.last());
        }
        const QString output = folder.filePath(QString("joined.") + join.extension);
        const ProgramRun run = RunEncoder(pieces + QStringList{"-o", output} + options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, "") << join.extension;

        EXPECT_EQ(FrameCount(output), frames) << join.extension;
        EXPECT_EQ(InnerPictureChecksums(output), pictures) << join.extension << ": the pictures were encoded again";
        const QList<double> measured = BeepMinusFlash(output);
        ASSERT_EQ(measured.size(), expected.size()) << join.extension;
        for (int i = 0; i < measured.size(); ++i)
            EXPECT_NEAR(measured[i], expected[i], 1.0 / 30) << join.extension << ", flash " << i;
        // No joint loses sound.
        QList<double> quiet = QuietWindows(output);
        quiet.removeIf([&](double moment) {
            for (const double inPiece : quietInPieces)
                if (std::abs(moment - inPiece) < join.smear)
                    return true;
            return moment < join.primed || moment > frames / 30.0 - 0.01;
        });
        EXPECT_EQ(quiet, QList<double>()) << join.extension;
    }
    // A piece made with other options is joined all the same, by encoding every piece again, and the reason is said.
    const QStringList options = QStringList{"-ovc", "lavc", "-channels", "2", "-vf", "scale=128:96"} + joins.last().options;
    const QString other = folder.filePath("other.mkv");
    ASSERT_EQ(RunEncoder(QStringList{folder.filePath(sources[0].name), "-o", other, "-piece", "-ofps", "30"}
                         + QStringList(options).replaceInStrings("vbitrate=800", "vbitrate=900")).exitCode, 0);
    const ProgramRun run =
        RunEncoder(QStringList{other, folder.filePath("1.mkv"), "-o", folder.filePath("again.avi")} + options);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, "other.mkv is no piece of this job with these options: the pieces are encoded again\n");

    // In the job's own folder the pieces are known from the records their runs left, each
    // only while it is the file recorded: a piece replaced since is read again, and found out.
    const EnvironmentGuard jobFolder("TMPDIR", QFile::encodeName(folder.path()));
    const QString first = folder.filePath("first.mkv");
    const QString second = folder.filePath("second.mkv");
    for (const QString& piece : {first, second})
        ASSERT_EQ(RunEncoder(QStringList{folder.filePath(sources[1].name), "-o", piece, "-piece", "-ofps", "30"}
                             + options).exitCode, 0);
    ASSERT_TRUE(QFile::exists(second + ".record"));
    ASSERT_TRUE(QFile::remove(second) && QFile::copy(other, second));
    const ProgramRun replaced = RunEncoder(QStringList{first, second, "-o", folder.filePath("replaced.avi")} + options);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_EQ(replaced.err, "second.mkv is no piece of this job with these options: the pieces are encoded again\n");
}

// The joiner checks each command line at Start, before anything runs.
TEST(EncoderPiecesTest, APieceLineIsCheckedAsARunWouldBeAndAPieceIsMatroska)
{
    QTemporaryDir folder;
    const QStringList options = {"-piece", "-ofps", "30", "-ovc", "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=800",
                                 "-oac", "mp3lame", "-vf", "scale=128:96"};
    const QString input = folder.filePath("in.mp4");
    EXPECT_EQ(RunEncoder(QStringList{"--check", input, "-o", folder.filePath("0.mkv")} + options).exitCode, 0);
    const ProgramRun notMatroska = RunEncoder(QStringList{"--check", input, "-o", folder.filePath("0.avi")} + options);
    EXPECT_EQ(notMatroska.exitCode, 2);
    EXPECT_EQ(LastErrorLine(notMatroska), "A piece is written as Matroska: name it .mkv (output "
                                              + folder.filePath("0.avi") + ")");
    const ProgramRun badCodec = RunEncoder(QStringList{"--check", input, "-o", folder.filePath("0.mkv")} + options
                                           + QStringList{"-lavcopts", "vcodec=theora"});
    EXPECT_EQ(badCodec.exitCode, 2);
    EXPECT_EQ(FilesIn(folder.path()), QStringList());
}
