// Colours and loudness through both job plans: each input converted as the joiner
// converts it (a piece, or an intermediate AVI), then the join into an MP4.
#include "EncoderHarness.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QStringList kJoin = {"-ovc", "lavc", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc",
                           "-lavcopts", "acodec=aac", "-srate", "48000"};
const QStringList kHevc = QStringList(kJoin).replaceInStrings("h264", "hevc");

struct Plan {
    const char* name;
    bool pieces;
};

void PrintTo(const Plan& plan, std::ostream* out)
{
    *out << plan.name;
}

class EncoderColourTest : public testing::TestWithParam<Plan> {
protected:
    // The inputs converted and joined into joined.mp4, each input 0.5 s long; joinErr: what the join said.
    QString Join(const QStringList& inputs, const QStringList& extra = {}, const QStringList& join = kJoin)
    {
        // The job's folder, as the joiner sets it: conversions keep their loudness there.
        const EnvironmentGuard jobFolder("TMPDIR", QFile::encodeName(job.path()));
        QStringList converted;
        for (const QString& input : inputs) {
            const bool pieces = GetParam().pieces;
            converted << job.filePath(QString::number(converted.size()) + (pieces ? ".mkv" : ".avi"));
            const QStringList options = pieces
                ? QStringList{"-piece", "-piecefor", "mp4", "-ofps", "30"} + join
                : QStringList{"-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30", "-vf", "scale=160:90"};
            const ProgramRun run = RunEncoder(QStringList{"-o", converted.last()} + options + extra
                                              + QStringList{"--", input});
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        }
        const QString output = folder.filePath("joined.mp4");
        const ProgramRun run = RunEncoder(QStringList{"-o", output} + join + extra + QStringList{"--"} + converted);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        joinErr = run.err;
        return output;
    }

    QString Ffmpeg(const QStringList& args)
    {
        const ProgramRun run = RunProgram("ffmpeg", QStringList{"-hide_banner", "-nostats", "-y"} + args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.err;
    }

    QTemporaryDir folder;
    QTemporaryDir job;
    QString joinErr;
};

double NumberAfter(const QString& text, const QString& pattern)
{
    const auto found = QRegularExpression(pattern + "\\s*(-?[0-9.]+)").globalMatch(text);
    double last = 0;
    for (auto each = found; each.hasNext();)
        last = each.next().captured(1).toDouble();
    return last;
}

// The still, made again from the SDR clip: as BT.2020 HLG and PQ, reference white at 203 cd/m2.
QStringList HdrArguments(const QString& transfer)
{
    return {"-vf",
            "zscale=tin=709:min=709:pin=709:rin=tv:t=linear:npl=100,format=gbrpf32le,zscale=p=2020:t=" + transfer
                + ":m=2020_ncl:r=tv:npl=203,format=yuv420p10le",
            "-c:v", "libx265", "-x265-params",
            "log-level=error:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1)",
            "-crf", "8", "-colorspace", "bt2020nc", "-color_primaries", "bt2020", "-color_trc", transfer};
}

TEST_P(EncoderColourTest, HdrAndBt709PartsLookLikeTheStillWhenReadByTheOutputsTags)
{
    // A BT.709 clip of a size that players take for BT.601 when nothing says otherwise.
    const QString sdr = folder.filePath("sdr.mp4");
    Ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=0.5", "-vf",
            "trim=end_frame=1,loop=loop=12:size=1,setpts=N/25/TB,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p", "-c:v", "libx264", "-crf", "10",
            "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", sdr});
    const QString hlg = folder.filePath("hlg.mp4");
    const QString pq = folder.filePath("pq.mp4");
    Ffmpeg(QStringList{"-i", sdr} + HdrArguments("arib-std-b67") + QStringList{hlg});
    Ffmpeg(QStringList{"-i", sdr} + HdrArguments("smpte2084") + QStringList{pq});

    const QString output = Join({sdr, hlg, pq});
    const QString matrix = ProbeValue(output, "v:0", "stream=color_space") == "bt709" ? "bt709" : "bt601";
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=color_transfer"), "smpte170m");
    const QList<double> least = {38, 24, 24};
    for (int part = 0; part < 3; ++part) {
        const QString psnr = Ffmpeg(
            {"-ss", QString::number(part * 0.5 + 0.25), "-i", output, "-i", sdr, "-filter_complex",
             "[0:v]scale=160:90:in_color_matrix=" + matrix + ":out_color_matrix=bt709,format=yuv420p,trim=end_frame=1[a];"
             "[1:v]format=yuv420p,trim=end_frame=1[b];[a][b]psnr", "-f", "null", "-"});
        EXPECT_GE(NumberAfter(psnr, "average:"), least[part]) << "part " << part << " (SDR, HLG, PQ)";
    }
}

TEST_P(EncoderColourTest, TonesOf18LuApartAreEvenedAndFaintHissKeepsItsLevel)
{
    QStringList inputs;
    // A 440 Hz sine of 1/8 is -21.8 LUFS; the hiss is -65.5 LUFS.
    for (const char* sound : {"sine=f=440:r=48000:d=0.5,volume=-8.2dB", "sine=f=440:r=48000:d=0.5,volume=9.8dB",
                              "anoisesrc=a=0.0008:r=48000:d=0.5"}) {
        inputs << folder.filePath(QString("sound%1.mp4").arg(inputs.size()));
        Ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=0.5", "-f", "lavfi", "-i", sound, "-c:v", "libx264",
                "-c:a", "aac", "-shortest", inputs.last()});
    }
    const QString output = Join(inputs, {"-evenloudness"});
    EXPECT_TRUE(joinErr.contains("sound2.mp4 is very quiet (-65.")) << joinErr.toStdString();
    QList<double> loudness;
    for (const char* part : {"0:0.5", "0.5:1"}) {
        const QString measured = Ffmpeg({"-i", output, "-af", QString("atrim=") + part + ",ebur128=peak=true",
                                         "-f", "null", "-"});
        loudness << NumberAfter(measured, " I:");
        EXPECT_LE(NumberAfter(measured, "Peak:"), -1.0) << part;
    }
    EXPECT_NEAR(loudness[0], loudness[1], 1.0);
    EXPECT_NEAR(loudness[0], -16, 1.0);
    // The hiss's peaks, at -55 dBFS in its input, are not raised.
    EXPECT_LE(MaxVolume(output, 1.1, 0.35), -50);
}

TEST_P(EncoderColourTest, SixLoudChannelsMixedToTwoNeverClip)
{
    const QString six = folder.filePath("six.mp4");
    Ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=0.5", "-f", "lavfi", "-i",
            "sine=f=440:r=48000:d=0.5,volume=15dB,pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:v", "libx264",
            "-c:a", "aac", six}); // each channel at -3 dBFS
    EXPECT_LE(MaxVolume(Join({six}, {"-channels", "2"}), 0, 0.5), -1.0);
}

TEST_P(EncoderColourTest, HlgIntoHevcStaysHlgAndMixedKindsAreSaid)
{
    const QString sdr = folder.filePath("sdr.mp4");
    const QString hlg = folder.filePath("hlg.mp4");
    Ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=0.5", "-vf", "format=yuv420p", "-c:v", "libx264",
            "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", sdr});
    Ffmpeg(QStringList{"-i", sdr} + HdrArguments("arib-std-b67") + QStringList{hlg});
    const QString output = Join({hlg, hlg}, {}, kHevc);
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=color_transfer"), "arib-std-b67");
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=pix_fmt"), "yuv420p10le");
    Join({hlg, sdr}, {}, kHevc);
    EXPECT_EQ(joinErr, "hlg.mp4 is HLG, sdr.mp4 is SDR: the output is SDR\n");
}

INSTANTIATE_TEST_SUITE_P(BothPlans, EncoderColourTest,
                         testing::Values(Plan{"EncodeOnce", true}, Plan{"Intermediate", false}),
                         [](const testing::TestParamInfo<Plan>& info) { return std::string(info.param.name); });

} // namespace
