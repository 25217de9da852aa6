// End to end: what the inputs hold beside one picture and one sound (further sound
// tracks, subtitles, attachments, the recording's facts) through copy and encoding joins.
#include "EncoderHarness.h"

#include "EncoderLines.h"

#include <gtest/gtest.h>

namespace {

const QStringList kEncodeMkv = {"-ovc", "lavc", "-lavcopts", "vcodec=h264:vbitrate=400", "-oac", "lavc",
                                "-lavcopts", "acodec=aac"};
const QStringList kCopy = {"-ovc", "copy", "-oac", "copy"};

// A 1.5 s clip at 25 frames a second: English sound, a font, the recording's facts; with
// `german`, German sound too and a cue from 0.2 to 0.8 s.
void MakeRecording(const QString& path, bool german)
{
    const QString folder = path.section('/', 0, -2);
    QFile cue(folder + "/cue.srt");
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    cue.write("1\n00:00:00,200 --> 00:00:00,800\nHello\n\n");
    cue.close();
    QFile font(folder + "/font.ttf");
    ASSERT_TRUE(font.open(QIODevice::WriteOnly));
    font.write("the same font in every file");
    font.close();
    QStringList args = {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=160x120:r=25:d=1.5",
                        "-f", "lavfi", "-i", "sine=f=440:d=1.5", "-f", "lavfi", "-i", "sine=f=880:d=1.5",
                        "-i", cue.fileName(), "-map", "0", "-map", "1"};
    if (german)
        args << "-map" << "2" << "-metadata:s:a:1" << "language=ger" << "-map" << "3";
    args << "-metadata:s:a:0" << "language=eng" << "-c:v" << "libx264" << "-c:a" << "aac"
         << "-metadata" << "creation_time=2024-05-01T10:00:00Z" << "-metadata" << "location=+48.8577+002.2950/";
    if (path.endsWith(".mkv"))
        args << "-c:s" << "srt" << "-attach" << font.fileName() << "-metadata:s:t" << "mimetype=font/ttf";
    else
        args << "-c:s" << "mov_text" << "-movflags" << "use_metadata_tags";
    const ProgramRun run = RunProgram("ffmpeg", args << path);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
}

// The start of each cue in the file's first subtitle track, in seconds (MP4's empty
// samples between cues left out).
QList<double> CueStarts(const QString& path)
{
    QList<double> starts;
    const QStringList values = ProbeValue(path, "s:0", "packet=pts_time,size").split('\n', Qt::SkipEmptyParts);
    for (qsizetype at = 0; at + 1 < values.size(); at += 2)
        if (values[at + 1].toInt() > 2)
            starts << values[at].toDouble();
    return starts;
}

// The loudest sample in dB of the sound track `track` from `from` to its end.
double LoudestFrom(const QString& path, int track, double from)
{
    const ProgramRun run =
        RunProgram("ffmpeg", {"-nostdin", "-v", "info", "-i", path, "-map", QString("0:a:%1").arg(track), "-af",
                              QString("atrim=start=%1,volumedetect").arg(from), "-f", "null", "-"});
    const QString marker = "max_volume: ";
    const qsizetype at = run.err.indexOf(marker);
    return at < 0 ? 0 : run.err.mid(at + marker.size()).section(' ', 0, 0).toDouble();
}

struct TracksCase {
    const char* name;
    const char* extension; // of the inputs and the output
    QStringList options;
    bool pieces = false; // each input encoded into a piece first, the pieces then joined
};

void PrintTo(const TracksCase& tracks, std::ostream* out)
{
    *out << tracks.name;
}

class EncoderTracksTest : public testing::TestWithParam<TracksCase> {};

} // namespace

// Two inputs with English and German sound, a cue and a font, and a third without the
// German track or a cue (encoding joins only): every sound track is there with its language, the third's German
// stretch silent, each cue in its input's stretch within a frame, the font once, the
// first input's creation time and place.
TEST_P(EncoderTracksTest, EveryTrackAndFactIsKept)
{
    const TracksCase& param = GetParam();
    QTemporaryDir folder;
    QStringList inputs;
    for (const bool german : {true, true, false}) {
        inputs << folder.filePath(QString("%1.%2").arg(inputs.size()).arg(param.extension));
        MakeRecording(inputs.last(), german);
    }
    // A copy cannot make silence for the missing track, nor a join of pieces that copies
    // their pictures: those join the first two.
    if (param.options == kCopy || param.pieces)
        inputs.removeLast();
    QStringList joined = inputs;
    // The pieces lie in the job's folder, where their records keep the files they were made from.
    const EnvironmentGuard jobFolder("TMPDIR", QFile::encodeName(folder.path()));
    if (param.pieces) {
        joined.clear();
        for (const QString& input : inputs) {
            joined << folder.filePath(QString("piece%1.mkv").arg(joined.size()));
            const ProgramRun run = RunEncoder(QStringList{input, "-o", joined.last(), "-piece", "-piecefor",
                                                          param.extension} + param.options);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        }
    }
    const QString output = folder.filePath(QString("joined.") + param.extension);
    const ProgramRun run = RunEncoder(joined + QStringList{"-o", output} + param.options);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    EXPECT_EQ(ProbeValue(output, "a", "stream_tags=language"), "eng\nger");
    EXPECT_EQ(ProbeValue(output, "", "format_tags=creation_time").left(19), "2024-05-01T10:00:00");
    EXPECT_EQ(ProbeValue(output, "", param.extension == QString("mp4") ? "format_tags=location"
                                                                          : "format_tags=LOCATION"),
              "+48.8577+002.2950/");
    // The inputs are alike: each stretch is a share of the pictures, from the output's first.
    const double first = ProbeValue(output, "v:0", "stream=start_time").toDouble();
    const double stretch = FrameCount(output) / 25.0 / inputs.size();
    if (inputs.size() == 3)
        EXPECT_LT(LoudestFrom(output, 1, 2 * stretch + 0.1), -80) << "the third input's German stretch";
    if (param.extension == QString("mkv"))
        EXPECT_EQ(ProbeValue(output, "t", "stream_tags=filename"), "font.ttf");
    const QList<double> cues = CueStarts(output);
    ASSERT_EQ(cues.size(), 2);
    for (int input = 0; input < 2; ++input)
        EXPECT_NEAR(cues[input] - first, input * stretch + 0.2, 1.0 / 25) << "cue " << input;
}

INSTANTIATE_TEST_SUITE_P(
    Joins, EncoderTracksTest,
    testing::Values(TracksCase{"MatroskaCopied", "mkv", kCopy}, TracksCase{"MatroskaEncoded", "mkv", kEncodeMkv},
                    TracksCase{"MatroskaPieces", "mkv", kEncodeMkv, true}, TracksCase{"Mp4Copied", "mp4", kCopy},
                    TracksCase{"Mp4Encoded", "mp4", kEncodeMkv}),
    [](const testing::TestParamInfo<TracksCase>& info) { return std::string(info.param.name); });

// An AVI holds one sound track and no subtitles: what is left out of each input is said,
// on a line of its own for the joiner too.
TEST(EncoderTracksNotesTest, WhatTheOutputCannotHoldIsSaid)
{
    QTemporaryDir folder;
    const QString input = folder.filePath("in.mkv");
    MakeRecording(input, true);
    const EnvironmentGuard tagged(encoderlines::WantedVariable, "t0");
    const ProgramRun run = RunEncoder({input, "-o", folder.filePath("out.avi"), "-lavcopts", "vcodec=mpeg4"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList notes;
    for (const QString& line : run.out.split('\n'))
        if (const auto read = encoderlines::ReadLine(line.section('\r', -1).toStdString(), "t0");
            read && read->kind == encoderlines::Kind::Note)
            notes << QString::fromStdString(read->text);
    EXPECT_EQ(notes, (QStringList{"Sound tracks left out of in.mkv: 2 (ger) (AVI output keeps one sound track here)",
                                  "1 subtitle track of in.mkv will not be in the output (AVI output holds no subrip "
                                  "subtitles)",
                                  "1 attachment of in.mkv will not be in the output (AVI output keeps none)"}));
    for (const QString& note : notes)
        EXPECT_TRUE(run.err.contains(note)) << note.toStdString();
    EXPECT_EQ(ProbeValue(folder.filePath("out.avi"), "a", "stream=index"), "1");
}

// The first input's cover picture stays the output's cover in MP4, joined by copying or encoding.
TEST(EncoderTracksNotesTest, TheFirstInputsCoverPictureStaysInMp4)
{
    QTemporaryDir folder;
    const QString cover = folder.filePath("cover.png");
    const QString input = folder.filePath("in.mp4");
    ASSERT_EQ(RunProgram("ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "color=red:s=64x64",
                                    "-frames:v", "1", cover}).exitCode, 0);
    const ProgramRun made = RunProgram(
        "ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=160x120:r=25:d=1", "-f", "lavfi",
                   "-i", "sine=d=1", "-i", cover, "-map", "0", "-map", "1", "-map", "2", "-c:v:0", "libx264", "-c:a",
                   "aac", "-c:v:1", "png", "-disposition:v:1", "attached_pic", input});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    for (const QStringList& options : {kCopy, kEncodeMkv}) {
        const QString output = folder.filePath("out.mp4");
        const ProgramRun run = RunEncoder(QStringList{input, input, "-o", output} + options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(ProbeValue(output, "v", "stream=codec_name:stream_disposition=attached_pic"), "h264\n0\npng\n1");
    }
}
