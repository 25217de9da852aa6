// End to end: every output type with each kind of sound its container holds,
// read back by ffprobe and decoded in full.
#include "EncoderHarness.h"

#include <gtest/gtest.h>

namespace {

struct OutputCase {
    const char* extension;
    const char* videoCodec;
    QStringList audioOptions;
    const char* formatName;  // ffprobe's format_name
    const char* videoName;   // ffprobe's codec_name
    const char* audioName;
};

std::ostream& operator<<(std::ostream& out, const OutputCase& c)
{
    return out << c.extension << "/" << c.videoCodec << "/" << c.audioOptions.join(' ').toStdString();
}

const QStringList kMp3 = {"-oac", "mp3lame", "-lameopts", "vbr=2:q=4"};
const QStringList kPcm = {"-oac", "pcm"};
QStringList Lavc(const QString& codec)
{
    return {"-oac", "lavc", "-lavcopts", "acodec=" + codec + ":abitrate=128"};
}

class EncoderOutputTest : public testing::TestWithParam<OutputCase> {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new QTemporaryDir;
        input_ = folder_->filePath("in.avi");
        MakeClip(input_, ClipOf(1.0, 160, 120).rate("25").sound(1, 22050).codecs("mpeg4", "libmp3lame"));
    }
    static void TearDownTestSuite() { delete folder_; }
    static inline QTemporaryDir* folder_ = nullptr;
    static inline QString input_;
};

} // namespace

TEST_P(EncoderOutputTest, WritesAReadableFileOfTheRightKind)
{
    const OutputCase& c = GetParam();
    const QString output = folder_->filePath(QString("out_%1_%2_%3.%4")
                                                 .arg(c.videoCodec, c.audioName, c.formatName, c.extension));
    QStringList args = {input_, "-o", output, "-ovc", "lavc", "-lavcopts",
                        QString("vcodec=%1:vbitrate=800:mbd=2:autoaspect").arg(c.videoCodec)};
    args << c.audioOptions << "-channels" << "2" << "-vf" << "scale=320:240" << "-srate" << "44100";
    const ProgramRun run = RunEncoder(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // ffmpeg's notes on a run that worked are no news to the user. A DVD holds only its
    // standards' sizes, rates and aspects: what it changes is named.
    const bool dvd = QString(c.extension) == "vob";
    const bool dvdMpeg1 = dvd && QString(c.videoCodec) == "mpeg1video";
    const QString dvdSize = dvdMpeg1 ? "352x288" : "720x576";
    if (dvd) {
        EXPECT_TRUE(run.err.contains("Picture size 320x240 changed to " + dvdSize + ": the size of PAL DVD video\n"))
            << run.err.toStdString();
    } else {
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(ProbeValue(output, {}, "format=format_name"), c.formatName);
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=codec_name"), c.videoName);
    EXPECT_EQ(ProbeValue(output, "a:0", "stream=codec_name"), c.audioName);
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=width") + "x" + ProbeValue(output, "v:0", "stream=height"),
              dvd ? dvdSize : "320x240");
    if (dvd) {
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=r_frame_rate"), "25/1");
        // MPEG-1 says its pixels' shape from a table, near 4:3 but not at it.
        if (!dvdMpeg1) {
            EXPECT_EQ(ProbeValue(output, "v:0", "stream=display_aspect_ratio"), "4:3");
        }
        EXPECT_EQ(ProbeValue(output, "a:0", "stream=sample_rate"), "48000");
    }
    EXPECT_EQ(ProbeValue(output, "a:0", "stream=channels"), "2");
    // Within two frames: some decoders give a frame more at the start and the end than the muxer counted.
    EXPECT_NEAR(LengthOf(output, "v:0"), LengthOf(input_, "v:0"), 0.1);
    QString errors;
    EXPECT_TRUE(DecodesCleanly(output, &errors)) << errors.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    EveryContainer, EncoderOutputTest,
    testing::Values(
        OutputCase{"avi", "mpeg4", kMp3, "avi", "mpeg4", "mp3"},
        OutputCase{"avi", "msmpeg4v2", kPcm, "avi", "msmpeg4v2", "pcm_s16le"},
        OutputCase{"avi", "msmpeg4", Lavc("mp2"), "avi", "msmpeg4v3", "mp2"},
        OutputCase{"avi", "mjpeg", Lavc("ac3"), "avi", "mjpeg", "ac3"},
        OutputCase{"avi", "h264", Lavc("aac"), "avi", "h264", "aac"},
        OutputCase{"avi", "flv", Lavc("wmav2"), "avi", "flv1", "wmav2"},
        OutputCase{"avi", "wmv1", Lavc("wmav1"), "avi", "wmv1", "wmav1"},
        OutputCase{"mpg", "mpeg1video", kMp3, "mpeg", "mpeg1video", "mp3"},
        OutputCase{"mpg", "mpeg2video", kPcm, "mpeg", "mpeg2video", "pcm_dvd"},
        OutputCase{"mpg", "mpeg2video", Lavc("mp2"), "mpeg", "mpeg2video", "mp2"},
        OutputCase{"mpg", "mpeg4", Lavc("ac3"), "mpeg", "mpeg4", "ac3"},
        OutputCase{"vob", "mpeg2video", Lavc("ac3"), "mpeg", "mpeg2video", "ac3"},
        OutputCase{"vob", "mpeg2video", kPcm, "mpeg", "mpeg2video", "pcm_dvd"},
        OutputCase{"vob", "mpeg1video", kMp3, "mpeg", "mpeg1video", "mp3"},
        OutputCase{"vob", "mpeg2video", Lavc("mp2"), "mpeg", "mpeg2video", "mp2"},
        OutputCase{"mp4", "mpeg4", kMp3, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp3"},
        OutputCase{"mp4", "h264", Lavc("aac"), "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
        OutputCase{"mp4", "mpeg2video", Lavc("ac3"), "mov,mp4,m4a,3gp,3g2,mj2", "mpeg2video", "ac3"},
        OutputCase{"mov", "mpeg4", kPcm, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "pcm_s16le"},
        OutputCase{"mov", "mjpeg", Lavc("aac"), "mov,mp4,m4a,3gp,3g2,mj2", "mjpeg", "aac"},
        OutputCase{"mov", "h264", kMp3, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "mp3"},
        OutputCase{"mov", "mpeg4", Lavc("mp2"), "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp2"},
        OutputCase{"mov", "mpeg4", Lavc("ac3"), "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "ac3"},
        OutputCase{"wmv", "wmv2", Lavc("wmav2"), "asf", "wmv2", "wmav2"},
        OutputCase{"wmv", "wmv1", Lavc("wmav1"), "asf", "wmv1", "wmav1"},
        OutputCase{"asf", "msmpeg4", kMp3, "asf", "msmpeg4v3", "mp3"},
        OutputCase{"wmv", "mpeg4", kPcm, "asf", "mpeg4", "pcm_s16le"},
        OutputCase{"wmv", "wmv2", Lavc("mp2"), "asf", "wmv2", "mp2"},
        OutputCase{"wmv", "wmv2", Lavc("ac3"), "asf", "wmv2", "ac3"},
        OutputCase{"asf", "wmv2", Lavc("aac"), "asf", "wmv2", "aac"},
        OutputCase{"flv", "flv", kMp3, "flv", "flv1", "mp3"},
        OutputCase{"flv", "h264", Lavc("aac"), "flv", "h264", "aac"},
        OutputCase{"flv", "flv", kPcm, "flv", "flv1", "pcm_s16le"}));

TEST(EncoderRefusalTest, PairsTheContainerRefusesWriteNothing)
{
    QTemporaryDir folder;
    const QString input = folder.filePath("in.avi");
    MakeClip(input, ClipOf(0.5, 160, 120));
    const QList<QStringList> refused = {
        {"-o", folder.filePath("a.mpg"), "-lavcopts", "vcodec=wmv2"},
        {"-o", folder.filePath("b.vob"), "-lavcopts", "vcodec=msmpeg4"},
        {"-o", folder.filePath("c.mov"), "-oac", "lavc", "-lavcopts", "acodec=wmav2"},
        {"-o", folder.filePath("d.mp4"), "-oac", "pcm"},
        {"-o", folder.filePath("e.flv"), "-lavcopts", "vcodec=mpeg4"},
    };
    for (const QStringList& options : refused) {
        const ProgramRun run = RunEncoder(QStringList{input} + options);
        EXPECT_EQ(run.exitCode, 2) << options.join(' ').toStdString();
        EXPECT_TRUE(LastErrorLine(run).contains("cannot hold")) << run.err.toStdString();
    }
    EXPECT_EQ(FilesIn(folder.path()), QStringList{"in.avi"});
}
