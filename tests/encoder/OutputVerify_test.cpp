// The read-back of an output against what its run promised: each fault a viewer would
// notice is named in words.
#include "JobError.h"
#include "OutputVerify.h"

#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct VerifyCase {
    const char* name;
    QStringList clip; // ffmpeg's output options for a 1 s clip of 25 pictures at 160x120
    OutputPromise promise;
    const char* words; // in the failure; empty: the output is right
    bool damaged = false; // bytes in the middle of the file overwritten
};

void PrintTo(const VerifyCase& row, std::ostream* out)
{
    *out << row.name;
}

OutputPromise TwoStretches(double second, OutputPromise promise = {})
{
    promise.sound = false;
    promise.stretches = {{"a.mp4", 0.4, 10}, {"b.mp4", second, 0}};
    return promise;
}

class OutputVerifyTest : public testing::TestWithParam<VerifyCase> {};

} // namespace

TEST_P(OutputVerifyTest, NamesWhatAViewerWouldNotice)
{
    const VerifyCase& row = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath("out.mp4");
    const ProgramRun made = RunProgram(
        "ffmpeg", QStringList{"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=1"} + row.clip + QStringList{path});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    if (row.damaged) {
        QByteArray bytes = ReadBytes(path);
        for (qsizetype at = bytes.size() * 2 / 5; at < bytes.size() * 3 / 5; at += 7)
            bytes[at] = static_cast<char>(0xA5);
        WriteBytes(path, bytes);
    }
    try {
        VerifyOutput(path.toStdString(), "out.mp4", row.promise, {});
        EXPECT_STREQ(row.words, "");
    } catch (const JobError& error) {
        EXPECT_NE(std::string(row.words), "") << error.what();
        EXPECT_NE(std::string(error.what()).find(row.words), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, OutputVerifyTest,
    testing::Values(
        VerifyCase{"Right", {"-c:v", "libx264"}, TwoStretches(0.6), ""},
        VerifyCase{"StretchTooShort", {"-c:v", "libx264"}, TwoStretches(0.8), "b.mp4: 0.60 s in the output, 0.80 s in the file"},
        VerifyCase{"NoSound", {"-c:v", "libx264"}, [] { auto p = TwoStretches(0.6); p.sound = true; return p; }(),
                   "no sound"},
        VerifyCase{"Stretched", {"-c:v", "libx264", "-aspect", "16:9"},
                   [] { auto p = TwoStretches(0.6); p.displayAspect = 4.0 / 3; return p; }(), "not 1.333:1"},
        VerifyCase{"SdrForHdr", {"-c:v", "libx264"},
                   [] { auto p = TwoStretches(0.6); p.dynamic = Dynamic::Hlg; return p; }(), "SDR, not HDR (HLG)"},
        VerifyCase{"NoChapters", {"-c:v", "libx264"},
                   [] { auto p = TwoStretches(0.6); p.chapters = true; return p; }(), "0 chapters, not 2"},
        VerifyCase{"SecondSoundTrackShort",
                   {"-f", "lavfi", "-i", "sine=d=1", "-f", "lavfi", "-i", "sine=d=0.5", "-map", "0", "-map", "1", "-map",
                    "2", "-c:v", "libx264"},
                   [] { auto p = TwoStretches(0.6); p.kept.soundTracks = 2; return p; }(),
                   "its sound track 2 lasts 0.5"},
        VerifyCase{"Undecodable", {"-c:v", "mpeg4", "-g", "100"}, TwoStretches(0.6), "not decode", true}),
    [](const testing::TestParamInfo<VerifyCase>& info) { return std::string(info.param.name); });
