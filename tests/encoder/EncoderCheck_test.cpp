// End to end: "--check" refuses what a run would refuse, with the same exit code and
// message, before any input is read and without writing anything.
#include "EncoderHarness.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct CheckCase {
    const char* name;
    QStringList options;   // after the inputs; "OUT" stands for the output file, "DIR" for the test folder
    int exitCode;
    QString message;       // the last line of standard error; "DIR" as above
};

std::ostream& operator<<(std::ostream& out, const CheckCase& c)
{
    return out << c.name;
}

class EncoderCheckTest : public testing::TestWithParam<CheckCase> {};

QStringList Filled(const QStringList& options, const QString& folder)
{
    QStringList filled;
    for (const QString& option : options)
        filled << QString(option).replace("OUT", folder + "/out.avi").replace("DIR", folder);
    return filled;
}

} // namespace

TEST_P(EncoderCheckTest, RefusesAsARunWouldWithoutReadingInputs)
{
    const CheckCase& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    const QStringList args = QStringList{folder.filePath("missing1.mp4"), folder.filePath("missing2.vob")}
        + Filled(c.options, folder.path());
    const QString message = QString(c.message).replace("DIR", folder.path());

    const ProgramRun check = RunEncoder(QStringList{"--check"} + args);
    EXPECT_EQ(check.exitCode, c.exitCode) << check.err.toStdString();
    EXPECT_EQ(check.out, "");
    EXPECT_EQ(check.err, message.isEmpty() ? QString() : message + "\n");
    EXPECT_EQ(FilesIn(folder.path()), QStringList());
    if (c.exitCode != 0) {
        const ProgramRun run = RunEncoder(args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(LastErrorLine(run), message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryRefusal, EncoderCheckTest,
    testing::Values(
        CheckCase{"Fine", {"-o", "OUT", "-ovc", "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=800", "-oac", "mp3lame",
                           "-vf", "scale=320:240", "-srate", "44100"}, 0, ""},
        CheckCase{"MissingBitrate", {"-o", "OUT", "-lavcopts", "vcodec=mpeg4:vbitrate=:mbd=2"}, 2,
                  "Missing value for vbitrate in -lavcopts"},
        CheckCase{"ZeroBitrate", {"-o", "OUT", "-lavcopts", "vcodec=mpeg4:vbitrate=0"}, 2,
                  "Impossible value for vbitrate in -lavcopts: \"0\" (allowed 1 to 100000000)"},
        CheckCase{"NegativeBitrate", {"-o", "OUT", "-lavcopts", "vcodec=mpeg4:vbitrate=-800"}, 2,
                  "Impossible value for vbitrate in -lavcopts: \"-800\" (allowed 1 to 100000000)"},
        CheckCase{"ZeroWidth", {"-o", "OUT", "-vf", "scale=0:240"}, 2,
                  "Impossible value for -vf scale width: \"0\" (allowed 16 to 8192)"},
        CheckCase{"OddHeight", {"-o", "OUT", "-vf", "scale=320:241"}, 2,
                  "Impossible value for -vf scale height: \"241\" (must be even)"},
        CheckCase{"NegativeWidth", {"-o", "OUT", "-vf", "scale=-320:240"}, 2,
                  "Impossible value for -vf scale width: \"-320\" (allowed 16 to 8192)"},
        CheckCase{"HugeWidth", {"-o", "OUT", "-vf", "scale=8194:240"}, 2,
                  "Impossible value for -vf scale width: \"8194\" (allowed 16 to 8192)"},
        CheckCase{"LowSampleRate", {"-o", "OUT", "-srate", "7999"}, 2,
                  "Impossible value for -srate: \"7999\" (allowed 8000 to 96000)"},
        CheckCase{"CodecTheContainerRefuses", {"-o", "DIR/out.mp4", "-lavcopts", "vcodec=wmv2"}, 2,
                  "The MP4 container cannot hold the video codec wmv2 (output DIR/out.mp4)"},
        CheckCase{"OutputIsAFolder", {"-o", "DIR/sub"}, 1, "The output path is a folder, not a file: DIR/sub"},
        CheckCase{"OutputFolderMissing", {"-o", "DIR/nowhere/out.avi"}, 1,
                  "Output folder does not exist: DIR/nowhere"}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });
