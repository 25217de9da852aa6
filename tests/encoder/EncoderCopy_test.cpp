// End to end: joins that keep the inputs' streams as they are (-ovc copy -oac copy).
#include "EncoderHarness.h"

#include <QFile>

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

// True when each part is found whole in joined, one after the other.
bool HoldsInOrder(const QStringList& joined, const QList<QStringList>& parts)
{
    qsizetype at = 0;
    for (const QStringList& part : parts) {
        while (at + part.size() <= joined.size() && joined.mid(at, part.size()) != part)
            ++at;
        if (at + part.size() > joined.size())
            return false;
        at += part.size();
    }
    return true;
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
        {"mkv", {"-c:v", "libx264", "-c:a", "aac"}},
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

        // ffmpeg's MPEG program stream muxer leaves some frames without times, which its
        // demuxer then guesses a frame off, even for one clean input copied alone.
        QString errors;
        if (QString(format.extension) != "mpg") {
            EXPECT_TRUE(DecodesCleanly(output, &errors)) << format.extension << ": " << errors.toStdString();
        }
        EXPECT_EQ(PacketChecksums(output, "v"), pictures) << format.extension;
        // AVI and MPEG leave out the sound packets that run on past an input's picture.
        EXPECT_TRUE(JoinedFromParts(PacketChecksums(output, "a"), sounds, 2)) << format.extension;
        const QList<double> measured = BeepMinusFlash(output);
        ASSERT_EQ(measured.size(), expected.size()) << format.extension;
        for (int i = 0; i < measured.size(); ++i)
            EXPECT_NEAR(measured[i], expected[i], 1.0 / 30) << format.extension << ", flash " << i;
    }
}

// Start runs the check before anything else: it reads the inputs and names every one that
// differs, with what differs, each also on a line of its own for the joiner.
TEST(EncoderCopyTest, AnInputThatDiffersIsNamedWithWhatDiffersAndNothingIsWritten)
{
    QTemporaryDir folder;
    const QString a = folder.filePath("a.mp4");
    const QString b = folder.filePath("b.mp4");
    const QString c = folder.filePath("c.mp4");
    MakeClip(a, ClipOf(1.0, 160, 120).rate("30").codecs("libx264", "aac"));
    MakeClip(b, ClipOf(1.0, 160, 120).rate("25").codecs("libx264", "aac"));
    MakeClip(c, ClipOf(1.0, 176, 144).rate("30").codecs("libx264", "aac"));
    const QString output = folder.filePath("joined.mp4");
    for (const bool check : {true, false}) {
        const QStringList args = QStringList{a, b, c, "-o", output, "-ovc", "copy", "-oac", "copy"};
        const ProgramRun run = RunEncoder(check ? QStringList{"--check"} + args : args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(LastErrorLine(run), b + " (25 frames a second, not 30); " + c + " (frame size 176x144, not 160x120)"
                                      " differ from " + a + " and cannot be joined to it without encoding. Give"
                                      " -reencode-differing to encode only these, or choose an encoding profile to"
                                      " join them.")
            << check;
        EXPECT_TRUE(run.err.contains("Input 2 differs: 25 frames a second, not 30\n")) << run.err.toStdString();
        EXPECT_EQ(FilesIn(folder.path()), QStringList({"a.mp4", "b.mp4", "c.mp4"}));
    }
    const ProgramRun run = RunEncoder({a, "-o", folder.filePath("joined.mpg"), "-ovc", "copy", "-oac", "copy"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(LastErrorLine(run).startsWith("The MPEG program stream (.mpg) container cannot hold the audio codec aac"))
        << LastErrorLine(run).toStdString();
}

// With the sound encoded once, a tone that runs through four inputs runs through the
// three joints: no 5 ms window is quiet but where the first input is (MP3 in AVI starts
// with its priming, unmarked), though MPEG's sound starts before its picture.
TEST(EncoderCopyTest, SixLoudChannelsEncodedToMatchTwoNeverClip)
{
    QTemporaryDir folder;
    const QString two = folder.filePath("two.mp4");
    const QString six = folder.filePath("six.mp4");
    MakeClip(two, ClipOf(1.0, 160, 120).codecs("libx264", "aac"));
    ASSERT_EQ(RunProgram("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=1", "-f", "lavfi",
                                    "-i", "sine=f=440:r=44100:d=1,volume=15dB,pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0",
                                    "-c:v", "libx264", "-c:a", "aac", six}).exitCode, 0); // each channel at -3 dBFS
    const QString output = folder.filePath("joined.mp4");
    ASSERT_EQ(RunEncoder({two, six, "-o", output, "-ovc", "copy", "-oac", "copy", "-reencode-differing"}).exitCode, 0);
    EXPECT_LE(MaxVolume(output, 1.1, 0.8), -1.0);
}

TEST(EncoderCopyTest, SoundEncodedOnceLeavesNoGapAtAJoint)
{
    struct ToneCopy {
        const char* extension;
        ClipRecipe clip;
    };
    const QList<ToneCopy> formats = {
        {"mp4", ClipOf(1.0, 160, 120).rate("30").codecs("libx264", "aac")},
        {"mov", ClipOf(1.0, 160, 120).rate("30").codecs("libx264", "aac")},
        // The picture not moved a frame on for the MP3's priming: the sound lasts as long.
        {"avi",
         ClipOf(1.0, 160, 120).rate("30").codecs("mpeg4", "libmp3lame").options({"-avoid_negative_ts", "disabled"})},
        {"mpg", ClipOf(1.0, 160, 120).rate("30").codecs("mpeg2video", "mp2")},
    };
    QTemporaryDir folder;
    for (const ToneCopy& format : formats) {
        QStringList inputs;
        for (int i = 0; i < 4; ++i)
            inputs << folder.filePath(QString("%1.%2").arg(i).arg(format.extension));
        MakeClip(inputs.first(), format.clip);
        for (const QString& input : inputs.mid(1))
            ASSERT_TRUE(QFile::copy(inputs.first(), input));
        const QString output = folder.filePath(QString("joined.") + format.extension);
        const ProgramRun run = RunEncoder(inputs + QStringList{"-o", output, "-ovc", "copy", "-oac", "once"});
        ASSERT_EQ(run.exitCode, 0) << format.extension << ": " << run.err.toStdString();
        EXPECT_EQ(QuietWindows(output, LengthOf(output, "v:0")),
                  QuietWindows(inputs.first(), LengthOf(inputs.first(), "v:0")))
            << format.extension;
    }
}

namespace {

struct CopyInput {
    QString name;
    FlashBeepClip clip;
    int copies = 1; // above 1: the file is that many copies of the clip end to end, as `cat` joins them
    double kept = 1; // below 1: the file is cut short to that share of its bytes, as a download that stopped
    bool differs = false; // encoded to match the first input, not copied
    // Not empty: ffmpeg's options that copy the clip (%1) again, without encoding, into the input (%2).
    QStringList recopy = {};
};

// Cut half a second in without encoding: an edit list hides the pictures before.
const QStringList kTrimmed = {"-ss", "0.5", "-i", "%1", "-c", "copy", "%2"};
// Stored on its side, as a phone stores a portrait clip: players turn it a quarter clockwise.
const QStringList kTurned = {"-i", "%1", "-c", "copy", "-metadata:s:v:0", "rotate=270", "%2"};

struct CopyCase {
    const char* name;
    QString output; // its extension
    QList<CopyInput> inputs;
    // The last error line after the folder's name (%1 elsewhere) when the inputs are refused.
    QString refusal = {};
    QStringList options = {}; // after -ovc copy -oac copy
    QString said = {};        // said on stderr, where it is joined
    double shownAspect = 0;   // above 0: the differing inputs' pictures are shown this wide for their height
};

void PrintTo(const CopyCase& test, std::ostream* out)
{
    *out << test.name;
}

FlashBeepClip Clip(double pictureSeconds, double soundSeconds, QStringList codecs, QList<double> moments)
{
    FlashBeepClip clip;
    clip.pictureSeconds = pictureSeconds;
    clip.soundSeconds = soundSeconds;
    clip.codecs = codecs;
    clip.moments = moments;
    return clip;
}

const QStringList kAvi = {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-avoid_negative_ts", "disabled"};

// AVI would move all later sound earlier at each joint: by less than the MP3 encoder's
// padding (the sound is cut), or by more (the sound cannot be copied).
QList<CopyInput> ShortSoundAvis(int count, double soundSeconds)
{
    QList<CopyInput> inputs;
    for (int i = 0; i < count; ++i)
        inputs << CopyInput{QString("%1.avi").arg(i, 2, 10, QChar('0')),
                            Clip(0.5, soundSeconds, kAvi, {0.25})};
    return inputs;
}

const QStringList kMp4 = {"-c:v", "libx264", "-c:a", "aac"};

// Width over height of what is not black in the output's pictures from `from` on, for `seconds`.
double ShownAspect(const QString& path, double from, double seconds)
{
    const ProgramRun run = RunProgram("ffmpeg", {"-nostdin", "-ss", QString::number(from), "-t", QString::number(seconds),
                                                 "-i", path, "-vf", "cropdetect=round=2", "-f", "null", "-"});
    const QStringList crop = run.err.section("crop=", -1).section('\n', 0, 0).split(':');
    return crop.size() == 4 ? crop[0].toDouble() / crop[1].toDouble() : 0;
}

class EncoderCopyCases : public ::testing::TestWithParam<CopyCase> {};

} // namespace

// Each join is right (decodes cleanly, every beep with its flash, the pictures' length)
// or refused in words before anything is written.
TEST_P(EncoderCopyCases, JoinsRightOrRefusesInWords)
{
    const CopyCase& test = GetParam();
    QTemporaryDir folder;
    QStringList inputs;
    QList<double> expected;
    double pictures = 0;
    QList<double> lastExpected;
    double lastPicture = 0;
    QList<QStringList> copied;
    QList<QPair<double, double>> differingSpans; // in the output: start, length
    for (const CopyInput& input : test.inputs) {
        inputs << folder.filePath(input.name);
        // An input made as the one before is a copy of it, measured once.
        const CopyInput* previous = inputs.size() > 1 ? &test.inputs[inputs.size() - 2] : nullptr;
        if (previous && input.clip.codecs == previous->clip.codecs
            && input.clip.soundSeconds == previous->clip.soundSeconds && input.copies == previous->copies
            && input.kept == previous->kept && input.recopy == previous->recopy
            && QFileInfo(input.name).suffix() == QFileInfo(previous->name).suffix()) {
            ASSERT_TRUE(QFile::copy(inputs[inputs.size() - 2], inputs.last()));
        } else {
            const QString made = input.recopy.isEmpty() ? inputs.last() : folder.filePath("made_" + input.name);
            MakeFlashBeepClip(made, input.clip);
            if (made != inputs.last()) {
                const ProgramRun copied = RunProgram("ffmpeg", QStringList{"-nostdin", "-v", "error"}
                                                                   + QStringList(input.recopy)
                                                                         .replaceInStrings("%1", made)
                                                                         .replaceInStrings("%2", inputs.last()));
                ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
            }
            if (input.copies > 1) {
                QFile file(inputs.last());
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                const QByteArray once = file.readAll();
                for (int copy = 1; copy < input.copies; ++copy)
                    file.write(once);
            }
            lastExpected = input.clip.codecs.contains("-an") ? QList<double>() : BeepMinusFlash(inputs.last());
            if (input.kept < 1) {
                ASSERT_TRUE(QFile::resize(inputs.last(), static_cast<qint64>(QFileInfo(inputs.last()).size() * input.kept)));
            }
            // What is left of a file cut short: its broken last picture counts for one frame.
            lastPicture = LengthOf(inputs.last(), "v:0");
        }
        if (input.differs)
            differingSpans << QPair<double, double>(pictures, lastPicture);
        expected += lastExpected;
        pictures += lastPicture;
        // A file cut short loses its broken end.
        if (!input.differs && input.kept == 1)
            copied << PacketChecksums(inputs.last(), "v");
    }
    const QStringList before = FilesIn(folder.path());
    const QString output = folder.filePath("joined." + test.output);
    const ProgramRun run = RunEncoder(inputs + QStringList{"-o", output, "-ovc", "copy", "-oac", "copy"} + test.options);
    if (!test.refusal.isEmpty()) {
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(LastErrorLine(run), folder.path() + "/" + QString(test.refusal).replace("%1", folder.path()));
        EXPECT_EQ(FilesIn(folder.path()), before);
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(test.said)) << run.err.toStdString();
    for (const auto& [start, length] : test.shownAspect > 0 ? differingSpans : QList<QPair<double, double>>())
        EXPECT_NEAR(ShownAspect(output, start + 0.1, length - 0.2), test.shownAspect, 0.05);
    QString errors;
    EXPECT_TRUE(DecodesCleanly(output, &errors)) << errors.toStdString();
    EXPECT_EQ(GStreamerPictures(output), FrameCount(output));
    EXPECT_TRUE(HoldsInOrder(PacketChecksums(output, "v"), copied));
    EXPECT_NEAR(LengthOf(output, "v:0"), pictures, 1.0 / 30 + 0.001);
    if (expected.isEmpty()) {
        EXPECT_EQ(ProbeValue(output, "a", "stream=codec_type").trimmed(), "");
        return;
    }
    const QList<double> measured = BeepMinusFlash(output);
    ASSERT_EQ(measured.size(), expected.size());
    for (int i = 0; i < measured.size(); ++i) {
        const double late = measured[i] - expected[i];
        EXPECT_TRUE(late >= -0.040 && late <= 0.060) << "flash " << i << ": sound " << late * 1000 << " ms late";
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFault, EncoderCopyCases,
    ::testing::Values(
        CopyCase{"TimeBasesDiffer", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-video_track_timescale", "12800"}, {0.4})},
                  {"b.mov", Clip(1.0, 1.0, kMp4 + QStringList{"-video_track_timescale", "600"}, {0.4})},
                  {"c.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-video_track_timescale", "90000"}, {0.4})}}},
        CopyCase{"PictureStepsDiffer", "mkv",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})}, {"b.mkv", Clip(1.0, 1.0, kMp4, {0.4})}},
                 "b.mkv (picture times in steps of 1/1000 s, not 1/15360 s; sound times in steps of 1/1000 s, not "
                 "1/44100 s) differs from %1/a.mp4 and cannot be joined to it without encoding. Give "
                 "-reencode-differing to encode only these, or choose an encoding profile to join them."},
        CopyCase{"TsIntoMp4", "mp4",
                 {{"a.ts", Clip(1.0, 1.0, {"-c:v", "mpeg2video", "-c:a", "mp2"}, {0.4})},
                  {"b.ts", Clip(1.0, 1.0, {"-c:v", "mpeg2video", "-c:a", "mp2"}, {0.4})},
                  {"c.ts", Clip(1.0, 1.0, {"-c:v", "mpeg2video", "-c:a", "mp2"}, {0.4})}}},
        CopyCase{"MkvIntoMp4", "mp4",
                 {{"a.mkv", Clip(1.0, 1.0, kMp4, {0.4})}, {"b.mkv", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"c.mkv", Clip(1.0, 1.0, kMp4, {0.4})}}},
        CopyCase{"TrimmedFirst", "mp4",
                 {{"a.mp4", Clip(1.5, 1.5, kMp4, {0.8}), 1, 1, false, kTrimmed}, {"b.mp4", Clip(1.0, 1.0, kMp4, {0.4})}},
                 "a.mp4 starts 0.5 s into its pictures (trimmed without encoding): a copy would show what was cut "
                 "away. Choose an encoding profile to join it."},
        CopyCase{"TrimmedReencoded", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"trimmed.mp4", Clip(1.5, 1.5, kMp4, {0.8}), 1, 1, true, kTrimmed},
                  {"b.mp4", Clip(1.0, 1.0, kMp4, {0.4})}},
                 {},
                 {"-reencode-differing"},
                 "Input 2 differs: starts 0.5 s into its pictures (trimmed)"},
        // No flashes where black bars would dim them.
        CopyCase{"FourThreeAmongWideReencoded", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-vf", "scale=224:126,setsar=1"}, {0.4})},
                  {"four_three.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-vf", "scale=120:96,setsar=16/15"}, {}), 1, 1,
                   true}},
                 {},
                 {"-reencode-differing"},
                 {},
                 4.0 / 3},
        CopyCase{"PortraitReencoded", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})}, {"portrait.mp4", Clip(1.0, 1.0, kMp4, {}), 1, 1, true, kTurned}},
                 {},
                 {"-reencode-differing"},
                 "Input 2 differs: shown rotated 90 degrees",
                 0.75},
        CopyCase{"AviCutShort", "avi",
                 {{"a.avi", Clip(1.5, 1.5, kAvi, {0.4})}, {"b.avi", Clip(1.5, 1.5, kAvi, {0.4}), 1, 0.85},
                  {"c.avi", Clip(1.5, 1.5, kAvi, {0.4})}},
                 {},
                 {},
                 "b.avi ends early: "},
        CopyCase{"AviSound16msShortAtTwelveJoints", "avi", ShortSoundAvis(12, 0.484)},
        CopyCase{"AviSound80msShortAtSixJoints", "avi", ShortSoundAvis(6, 0.42)},
        CopyCase{"TsJoinedWithCat", "mpg",
                 {{"a.ts", Clip(1.0, 1.0, {"-c:v", "mpeg2video", "-c:a", "mp2"}, {0.4}), 2}},
                 "a.ts has timestamps that start again at 1.0 s (files joined end to end?). Choose an encoding "
                 "profile to join it."},
        CopyCase{"SoundInOneInputOnly", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})}, {"b.mp4", Clip(1.0, 1.0, {"-c:v", "libx264", "-an"}, {0.4})}},
                 "b.mp4 (no sound, unlike a.mp4) differs from %1/a.mp4 and cannot be joined to it without encoding. "
                 "Give -reencode-differing to encode only these, or choose an encoding profile to join them."},
        CopyCase{"OnlyTheDifferingReencoded", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"size.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-s", "176x144"}, {0.4}), 1, 1, true},
                  {"b.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"rate.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-r", "25"}, {0.4}), 1, 1, true},
                  {"silent.mp4", Clip(1.0, 1.0, {"-c:v", "libx264", "-an"}, {}), 1, 1, true},
                  {"c.mp4", Clip(1.0, 1.0, kMp4, {0.4})}},
                 {},
                 {"-reencode-differing"}},
        CopyCase{"Mp4CutShort", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-movflags", "+faststart"}, {0.4})},
                  {"b.mp4", Clip(1.0, 1.0, kMp4 + QStringList{"-movflags", "+faststart"}, {0.4}), 1, 0.6}},
                 "b.mp4 ends early: the file stops before the end of what its index lists (a download cut short?). "
                 "Choose an encoding profile to join what can be read."},
        CopyCase{"SoundEncodedOnceMp4", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})}, {"b.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"c.mp4", Clip(1.0, 1.0, kMp4, {0.4})}},
                 {},
                 {"-oac", "once"}},
        CopyCase{"SoundEncodedOnceAvi", "avi", ShortSoundAvis(3, 0.5), {}, {"-oac", "once"}},
        CopyCase{"NoSound", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, {"-c:v", "libx264", "-an"}, {0.4})},
                  {"b.mp4", Clip(1.0, 1.0, {"-c:v", "libx264", "-an"}, {0.4})}}},
        CopyCase{"NameWithLineBreaksAndOutpoint", "mp4",
                 {{"a.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"b.mp4\noutpoint 0.2\n#.mp4", Clip(1.0, 1.0, kMp4, {0.4})},
                  {"'\\\r-c.mp4", Clip(1.0, 1.0, kMp4, {0.4})}}}),
    [](const ::testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });
