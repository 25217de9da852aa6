// End to end: picture and sound stay in step through the joiner's two stages, in both
// plans, for inputs whose streams start apart and for every kind of output. A white flash and a
// beep happen together in each stream's own time; beep minus flash after the encoder
// must stay within EBU R37's window (40 ms early, 60 ms late) of the same in the source.
#include "EncoderHarness.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

const QStringList kConversion = {"-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30", "-vf", "scale=128:96"};

struct Source {
    const char* name;
    FlashBeepClip clip;
};

QStringList Codecs(const QString& video, const QString& audio)
{
    return {"-c:v", video, "-c:a", audio};
}

const QList<Source>& Sources()
{
    static const QList<Source> sources = {
        {"sound_half_second_late.ts", {2.0, 1.4, 0, 0.5, 48000, "30", Codecs("mpeg2video", "mp2")}},
        {"sound_second_late.mp4", {2.5, 1.3, 0, 1.0, 44100, "30", Codecs("libx264", "aac")}},
        {"sound_early.mp4", {1.5, 1.6, 0, -0.3, 44100, "25", Codecs("libx264", "aac")}},
        {"picture_late.mp4", {1.5, 2.1, 0.52, 0, 22050, "30", Codecs("libx264", "aac")}},
        {"eight_kilohertz.avi", {1.51, 1.51, 0, 0, 8000, "25", Codecs("mpeg4", "pcm_s16le")}},
        {"half_downloaded.mp4", {4.0, 4.0, 0, 0, 44100, "30", Codecs("libx264", "aac"), 0.5}},
    };
    return sources;
}

void ExpectInStep(const QList<double>& expected, const QString& output, const QString& what)
{
    const QList<double> measured = BeepMinusFlash(output);
    ASSERT_EQ(measured.size(), expected.size()) << what.toStdString();
    for (int i = 0; i < measured.size(); ++i) {
        const double late = measured[i] - expected[i];
        EXPECT_TRUE(late >= -0.040 && late <= 0.060)
            << what.toStdString() << ", flash " << i << ": sound " << late * 1000 << " ms late";
    }
}

// The joiner's outputs: container, then the options of the join line.
const QList<QStringList>& Outputs()
{
    static const QList<QStringList> outputs = {
        {"avi", "-lavcopts", "vcodec=mpeg4:vbitrate=800", "-oac", "mp3lame", "-srate", "44100"},
        {"avi", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "8000"},
        {"avi", "-lavcopts", "vcodec=msmpeg4", "-oac", "lavc", "-lavcopts", "acodec=mp2", "-srate", "22050"},
        {"avi", "-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2", "-srate", "8000"},
        {"avi", "-lavcopts", "vcodec=mjpeg", "-oac", "lavc", "-lavcopts", "acodec=ac3", "-srate", "48000"},
        {"wmv", "-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2", "-srate", "44100"},
        {"asf", "-lavcopts", "vcodec=wmv1", "-oac", "mp3lame", "-srate", "8000"},
        {"flv", "-lavcopts", "vcodec=flv", "-oac", "mp3lame", "-srate", "22050"},
        {"flv", "-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "44100"},
        {"mp4", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "8000"},
        {"mp4", "-lavcopts", "vcodec=mpeg4", "-oac", "mp3lame", "-srate", "44100"},
        {"mov", "-lavcopts", "vcodec=mpeg4", "-oac", "pcm", "-srate", "22050"},
        {"mov", "-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "48000"},
        {"mpg", "-lavcopts", "vcodec=mpeg2video", "-oac", "lavc", "-lavcopts", "acodec=mp2", "-srate", "48000"},
        {"mpg", "-lavcopts", "vcodec=mpeg1video", "-oac", "mp3lame", "-srate", "32000"},
        {"vob", "-lavcopts", "vcodec=mpeg2video", "-oac", "lavc", "-lavcopts", "acodec=ac3", "-srate", "48000"},
        {"vob", "-lavcopts", "vcodec=mpeg2video", "-oac", "pcm", "-srate", "48000"},
        {"mkv", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "44100"},
        {"webm", "-lavcopts", "vcodec=vp9:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=opus", "-srate", "48000"},
        {"mp4", "-lavcopts", "vcodec=hevc:vbitrate=400", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "48000"},
    };
    return outputs;
}

// The two plans of a job: every input into an intermediate AVI that the join encodes
// again, or every input encoded once into a piece whose picture the join copies; there,
// short inputs go several into one piece.
enum class Plan { Intermediate, EncodeOnce, Grouped };

const char* PlanName(Plan plan)
{
    return plan == Plan::Intermediate ? "Intermediate" : plan == Plan::EncodeOnce ? "EncodeOnce" : "Grouped";
}

void PrintTo(Plan plan, std::ostream* out)
{
    *out << PlanName(plan);
}

using SyncCase = std::tuple<Plan, QStringList>;

// "EncodeOnce_avi_mpeg4_mp3lame_44100": the plan, the container, the codecs and the rate.
std::string CaseName(const testing::TestParamInfo<SyncCase>& info)
{
    const auto& [plan, options] = info.param;
    QString video;
    QString audio;
    for (int i = 0; i + 1 < options.size(); ++i) {
        const QString codec = options[i + 1].section(':', 0, 0).section('=', 1);
        if (options[i] == "-lavcopts" && options[i + 1].startsWith("vcodec="))
            video = codec;
        else if (options[i] == "-lavcopts" && options[i + 1].startsWith("acodec="))
            audio = codec;
        else if (options[i] == "-oac" && options[i + 1] != "lavc")
            audio = options[i + 1];
    }
    return QString("%1_%2_%3_%4_%5")
        .arg(PlanName(plan), options.first(), video, audio, options.last())
        .toStdString();
}

class EncoderSyncTest : public testing::TestWithParam<SyncCase> {};

} // namespace

// Each source is converted as the plan converts it; the join of the converted files keeps
// every beep with its flash and every converted frame.
TEST_P(EncoderSyncTest, EveryBeepStaysWithItsFlashAndEveryFrameIsKept)
{
    const auto& [plan, options] = GetParam();
    QTemporaryDir folder;
    // The joiner runs a job's encoders with the job's own folder as their temp folder.
    const EnvironmentGuard jobFolder("TMPDIR", QFile::encodeName(folder.path()));
    const QStringList joinOptions = QStringList{"-ovc", "lavc", "-channels", "2"} + options.mid(1);
    QStringList converted;
    QList<double> expected;
    long frames = 0;
    QStringList group;
    for (const Source& source : Sources()) {
        const QString input = folder.filePath(source.name);
        MakeFlashBeepClip(input, source.clip);
        const QList<double> inSource = BeepMinusFlash(input);
        expected += inSource;
        // Grouped: three inputs a piece, joints inside the pieces and between them.
        group << input;
        if (plan == Plan::Grouped && group.size() < 3)
            continue;
        const QString name = QString::number(converted.size()) + (plan == Plan::Intermediate ? ".avi" : ".mkv");
        const QString output = folder.filePath(name);
        const ProgramRun run = RunEncoder(
            group + QStringList{"-o", output}
            + (plan == Plan::Intermediate ? kConversion
                                          : QStringList{"-piece", "-piecefor", options.first(), "-ofps", "30"}
                       + joinOptions));
        group.clear();
        ASSERT_EQ(run.exitCode, 0) << source.name << ": " << run.err.toStdString();
        // A converted file in the job's folder is recorded: a piece so that the join need not
        // read it again, and every one with the user's file it was made from.
        EXPECT_TRUE(QFile::exists(output + ".record")) << source.name;
        // The intermediate files are the same for every output: they are looked at once.
        if (plan == Plan::Intermediate && options == Outputs().first()) {
            EXPECT_EQ(run.err, source.clip.keepFraction < 1
                                   ? QString(source.name) + " ends early: 2.0 s of its 4.0 s could be read\n" : "")
                << source.name;
            ExpectInStep(inSource, output, QString("conversion of ") + source.name);
        }
        frames += FrameCount(output);
        converted << output;
    }
    const QString what = options.join(' ');
    const QString output = folder.filePath("joined." + options.first());
    const ProgramRun run = RunEncoder(converted + QStringList{"-o", output} + joinOptions);
    ASSERT_EQ(run.exitCode, 0) << what.toStdString() << ": " << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("encoded again")) << run.err.toStdString();
    ExpectInStep(expected, output, what);
    EXPECT_EQ(FrameCount(output), frames) << what.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Outputs, EncoderSyncTest,
                         testing::Combine(testing::Values(Plan::Intermediate, Plan::EncodeOnce),
                                          testing::ValuesIn(Outputs())),
                         CaseName);
// Pieces of several inputs, for outputs whose sound encoder primes or pads.
INSTANTIATE_TEST_SUITE_P(GroupedOutputs, EncoderSyncTest,
                         testing::Combine(testing::Values(Plan::Grouped),
                                          testing::Values(Outputs()[0], Outputs()[9], Outputs()[15])),
                         CaseName);
