#include "FailureText.h"
#include "FlatProbe.h"
#include "InputProbe.h"
#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A clip that ffmpeg writes from its test sources (or bytes that are no media file).
struct FlatCase {
    const char* name;
    const char* file;
    QStringList options; // ffmpeg's, between the sources and the file
    QByteArray bytes;
    bool soundLate = false;
};

void PrintTo(const FlatCase& clip, std::ostream* out)
{
    *out << clip.name;
}

// What the join reads of a probe: every value, and where each stream's packets end.
std::map<std::string, std::string> Facts(const ProbeReader& reader)
{
    std::map<std::string, std::string> facts = reader.values();
    for (int stream = 0; facts.count("streams.stream." + std::to_string(stream) + ".codec_type"); ++stream)
        for (const bool follow : {false, true}) {
            const auto end = reader.packetsEnd(stream, follow);
            facts["end " + std::to_string(stream) + (follow ? " followed" : "")] = end ? std::to_string(*end) : "none";
        }
    return facts;
}

class FlatProbeTest : public testing::TestWithParam<FlatCase> {};

TEST_P(FlatProbeTest, ReadsWhatFfprobeReads)
{
    const FlatCase& clip = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(clip.file);
    if (clip.bytes.isEmpty()) {
        QStringList args{"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25:duration=0.6"};
        if (clip.soundLate)
            args << "-itsoffset" << "0.2";
        args << "-f" << "lavfi" << "-i" << "sine=frequency=440:duration=0.6" << clip.options << path;
        const ProgramRun made = RunProgram("ffmpeg", args);
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    } else {
        WriteBytes(path, clip.bytes);
    }

    const std::vector<std::string> argv = ProbeArguments(path.toStdString());
    QStringList probeArgs;
    for (std::size_t index = 1; index < argv.size(); ++index)
        probeArgs << QString::fromStdString(argv[index]);
    const ProgramRun probed = RunProgram("ffprobe", probeArgs);
    ProbeReader expected;
    expected.Feed(probed.out.toStdString());
    expected.Feed("\n");

    ProbeReader read;
    const FlatProbeResult result = ProbeFlat(path.toStdString(), [&](std::string_view text) { read.Feed(text); }, {});
    read.Feed("\n");

    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.error, ReasonFor(probed.err.toStdString(), path.toStdString()));
    EXPECT_EQ(Facts(read), Facts(expected));
}

const QStringList kTwoSoundTracks{"-map", "0", "-map", "1", "-map", "1", "-c:v", "libx264", "-c:a", "aac",
                                  "-metadata:s:a:0", "title=Main \"mix\" $1", "-metadata:s:a:1", "language=ger",
                                  "-metadata:s:a:1", "title=Kommentar", "-disposition:a:1", "default"};

INSTANTIATE_TEST_SUITE_P(
    UntidyClips, FlatProbeTest,
    testing::Values(
        FlatCase{"AviMpeg4Mp3", "a.avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
        FlatCase{"Mp4SoundStartingLate", "b.mp4", {"-c:v", "libx264", "-c:a", "aac"}, {}, true},
        FlatCase{"MpegProgramStream", "c.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}},
        FlatCase{"MatroskaTwoSoundTracksAndTitles", "d.mkv", kTwoSoundTracks},
        FlatCase{"RotatedPhoneMp4", "e.mp4", {"-c:v", "libx264", "-c:a", "aac", "-metadata:s:v", "rotate=90"}},
        FlatCase{"InterlacedTopFieldFirstTransportStream", "f.ts",
                 {"-vf", "setfield=tff", "-flags", "+ildct+ilme", "-c:v", "mpeg2video", "-c:a", "mp2"}},
        FlatCase{"NoMediaFile", "g.avi", {}, "RIFF but nothing more"}),
    [](const testing::TestParamInfo<FlatCase>& info) { return std::string(info.param.name); });

} // namespace
