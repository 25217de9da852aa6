// End to end: picture and sound stay in step through the joiner's two stages, for
// inputs whose streams start apart and for every kind of output. A white flash and a
// beep happen together in each stream's own time; beep minus flash after the encoder
// must stay within EBU R37's window (40 ms early, 60 ms late) of the same in the source.
#include "EncoderHarness.h"

#include <gtest/gtest.h>

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

class EncoderSyncTest : public testing::TestWithParam<QStringList> {
protected:
    // Every source is converted as the joiner's first stage does; the join cases share them.
    static void SetUpTestSuite()
    {
        folder_ = new QTemporaryDir;
        for (const Source& source : Sources()) {
            const QString input = folder_->filePath(source.name);
            MakeFlashBeepClip(input, source.clip);
            const QString intermediate = folder_->filePath(QString("%1.avi").arg(intermediates_.size()));
            const ProgramRun run = RunEncoder(QStringList{input, "-o", intermediate} + kConversion);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(run.err, "") << source.name;
            const QList<double> inSource = BeepMinusFlash(input);
            ExpectInStep(inSource, intermediate, QString("conversion of ") + source.name);
            expected_ += inSource;
            frames_ += FrameCount(intermediate);
            intermediates_ << intermediate;
        }
    }
    static void TearDownTestSuite() { delete folder_; }

    static inline QTemporaryDir* folder_ = nullptr;
    static inline QStringList intermediates_;
    static inline QList<double> expected_;
    static inline long frames_ = 0;
};

} // namespace

void PrintTo(const QStringList& list, std::ostream* out)
{
    PrintTo(list.join(' '), out);
}

TEST_P(EncoderSyncTest, JoinKeepsEveryBeepWithItsFlashAndEveryFrame)
{
    const QStringList& options = GetParam();
    const QString output = folder_->filePath("joined." + options.first());
    const ProgramRun run = RunEncoder(intermediates_ + QStringList{"-o", output, "-ovc", "lavc", "-channels", "2"}
                                      + options.mid(1));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ExpectInStep(expected_, output, options.join(' '));
    EXPECT_EQ(FrameCount(output), frames_);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOutput, EncoderSyncTest,
    testing::Values(
        QStringList{"avi", "-lavcopts", "vcodec=mpeg4:vbitrate=800", "-oac", "mp3lame", "-srate", "44100"},
        QStringList{"avi", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "8000"},
        QStringList{"avi", "-lavcopts", "vcodec=msmpeg4", "-oac", "lavc", "-lavcopts", "acodec=mp2", "-srate", "22050"},
        QStringList{"avi", "-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2", "-srate", "8000"},
        QStringList{"avi", "-lavcopts", "vcodec=mjpeg", "-oac", "lavc", "-lavcopts", "acodec=ac3", "-srate", "48000"},
        QStringList{"wmv", "-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2", "-srate", "44100"},
        QStringList{"asf", "-lavcopts", "vcodec=wmv1", "-oac", "mp3lame", "-srate", "8000"},
        QStringList{"flv", "-lavcopts", "vcodec=flv", "-oac", "mp3lame", "-srate", "22050"},
        QStringList{"flv", "-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "44100"},
        QStringList{"mp4", "-lavcopts", "vcodec=h264:vbitrate=800", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "8000"},
        QStringList{"mp4", "-lavcopts", "vcodec=mpeg4", "-oac", "mp3lame", "-srate", "44100"},
        QStringList{"mov", "-lavcopts", "vcodec=mpeg4", "-oac", "pcm", "-srate", "22050"},
        QStringList{"mov", "-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts", "acodec=aac", "-srate", "48000"},
        QStringList{"mpg", "-lavcopts", "vcodec=mpeg2video", "-oac", "lavc", "-lavcopts", "acodec=mp2", "-srate", "48000"},
        QStringList{"mpg", "-lavcopts", "vcodec=mpeg1video", "-oac", "mp3lame", "-srate", "32000"},
        QStringList{"vob", "-lavcopts", "vcodec=mpeg2video", "-oac", "lavc", "-lavcopts", "acodec=ac3", "-srate", "48000"},
        QStringList{"vob", "-lavcopts", "vcodec=mpeg2video", "-oac", "pcm", "-srate", "48000"}),
    [](const testing::TestParamInfo<QStringList>& info) {
        return QString("%1_%2").arg(info.index).arg(info.param.first()).toStdString();
    });
