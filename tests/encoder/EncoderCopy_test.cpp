// End to end: joins that keep the inputs' streams as they are (-ovc copy -oac copy).
#include "EncoderHarness.h"

#include <gtest/gtest.h>

namespace {

// The checksums of a file's packets of one stream ("v", "a"), in order.
QStringList PacketChecksums(const QString& path, const QString& stream)
{
    const ProgramRun run = RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-map", "0:" + stream + ":0",
                                                 "-c", "copy", "-f", "framemd5", "-"});
    QStringList sums;
    for (const QString& line : run.out.split('\n'))
        if (line.startsWith("0,"))
            sums << line.section(',', 5, 5).trimmed();
    return sums;
}

// True when joined, from `at` on, is each list of parts in turn, with at most `most`
// packets left out at the end of each.
bool JoinedFromParts(const QStringList& joined, const QList<QStringList>& parts, int most, qsizetype at = 0)
{
    if (parts.isEmpty())
        return at == joined.size();
    const QStringList& part = parts.first();
    for (qsizetype kept = part.size(); kept >= std::max<qsizetype>(0, part.size() - most); --kept)
        if (at + kept <= joined.size() && joined.mid(at, kept) == part.mid(0, kept)
            && JoinedFromParts(joined, parts.mid(1), most, at + kept))
            return true;
    return false;
}

struct Format {
    const char* extension;
    QStringList codecs;
};

} // namespace

TEST(EncoderCopyTest, SameFormatInputsJoinPacketForPacketInStep)
{
    const QList<Format> formats = {
        {"mp4", {"-c:v", "libx264", "-c:a", "aac"}},
        {"mov", {"-c:v", "libx264", "-c:a", "aac"}},
        // Not shifted to start at zero: ffmpeg would leave a frame's hole at the start.
        {"avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-avoid_negative_ts", "disabled"}},
        {"mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}},
    };
    QTemporaryDir folder;
    for (const Format& format : formats) {
        QStringList inputs;
        QList<double> expected;
        QStringList pictures;
        QList<QStringList> sounds;
        for (const double seconds : {1.5, 1.7, 1.6}) {
            FlashBeepClip clip;
            clip.pictureSeconds = clip.soundSeconds = seconds;
            clip.codecs = format.codecs;
            inputs << folder.filePath(QString("%1.%2").arg(inputs.size()).arg(format.extension));
            MakeFlashBeepClip(inputs.last(), clip);
            expected += BeepMinusFlash(inputs.last());
            pictures += PacketChecksums(inputs.last(), "v");
            sounds << PacketChecksums(inputs.last(), "a");
        }
        const QString output = folder.filePath(QString("joined.") + format.extension);
        const ProgramRun run = RunEncoder(inputs + QStringList{"-o", output, "-ovc", "copy", "-oac", "copy"});
        ASSERT_EQ(run.exitCode, 0) << format.extension << ": " << run.err.toStdString();

        EXPECT_EQ(PacketChecksums(output, "v"), pictures) << format.extension;
        // AVI and MPEG leave out the sound packets that run on past an input's picture.
        EXPECT_TRUE(JoinedFromParts(PacketChecksums(output, "a"), sounds, 2)) << format.extension;
        const QList<double> measured = BeepMinusFlash(output);
        ASSERT_EQ(measured.size(), expected.size()) << format.extension;
        for (int i = 0; i < measured.size(); ++i)
            EXPECT_NEAR(measured[i], expected[i], 1.0 / 30) << format.extension << ", flash " << i;
    }
}

// Start runs the check before anything else: it reads the inputs and names the first that differs.
TEST(EncoderCopyTest, AnInputThatDiffersIsNamedWithWhatDiffersAndNothingIsWritten)
{
    QTemporaryDir folder;
    const QString a = folder.filePath("a.mp4");
    const QString b = folder.filePath("b.mp4");
    const QString c = folder.filePath("c.mp4");
    MakeClip(a, ClipOf(1.0, 160, 120).rate("30").codecs("libx264", "aac"));
    MakeClip(b, ClipOf(1.0, 160, 120).rate("30").codecs("libx264", "aac"));
    MakeClip(c, ClipOf(1.0, 176, 144).rate("30").codecs("libx264", "aac"));
    const QString output = folder.filePath("joined.mp4");
    for (const bool check : {true, false}) {
        const QStringList args = QStringList{a, b, c, "-o", output, "-ovc", "copy", "-oac", "copy"};
        const ProgramRun run = RunEncoder(check ? QStringList{"--check"} + args : args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(LastErrorLine(run), c + " differs from " + a + ": frame size 176x144, not 160x120") << check;
        EXPECT_EQ(FilesIn(folder.path()), QStringList({"a.mp4", "b.mp4", "c.mp4"}));
    }
    const ProgramRun run = RunEncoder({a, "-o", folder.filePath("joined.mpg"), "-ovc", "copy", "-oac", "copy"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(LastErrorLine(run).startsWith("The MPEG program stream (.mpg) container cannot hold the audio codec aac"))
        << LastErrorLine(run).toStdString();
}
