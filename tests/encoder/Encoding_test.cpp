#include "ArgumentParser.h"
#include "Encoding.h"
#include "UsageError.h"

#include <gtest/gtest.h>

namespace {

Encoding For(const std::string& output, std::vector<std::string> options = {})
{
    std::vector<std::string> args = {"in.avi", "-o", output};
    args.insert(args.end(), options.begin(), options.end());
    return ChooseEncoding(ParseArguments(args));
}

std::string Refusal(const std::string& output, std::vector<std::string> options)
{
    try {
        For(output, options);
    } catch (const UsageError& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(EncodingTest, ContainerFollowsTheExtension)
{
    EXPECT_EQ(ContainerForPath("/a/b.AVI"), Container::Avi);
    EXPECT_EQ(ContainerForPath("b.mpg"), Container::MpegPs);
    EXPECT_EQ(ContainerForPath("b.vob"), Container::Vob);
    EXPECT_EQ(ContainerForPath("b.mp4"), Container::Mp4);
    EXPECT_EQ(ContainerForPath("b.mov"), Container::Mov);
    EXPECT_EQ(ContainerForPath("b.wmv"), Container::Asf);
    EXPECT_EQ(ContainerForPath("b.asf"), Container::Asf);
    EXPECT_EQ(ContainerForPath("b.flv"), Container::Flv);
    EXPECT_THROW(ContainerForPath("/a.d/b"), UsageError);
    EXPECT_THROW(ContainerForPath("b.mkv"), UsageError);
}

TEST(EncodingTest, IntermediateDefaults)
{
    const Encoding e = For("/t/0.avi", {"-oac", "mp3lame", "-ovc", "lavc"});
    EXPECT_EQ(e.muxer, "avi");
    EXPECT_EQ(e.videoEncoder, "mpeg4");
    EXPECT_EQ(e.audioEncoder, "libmp3lame");
}

TEST(EncodingTest, PcmTakesTheContainersForm)
{
    EXPECT_EQ(For("o.avi", {"-oac", "pcm"}).audioEncoder, "pcm_s16le");
    EXPECT_EQ(For("o.mpg", {"-oac", "pcm"}).audioEncoder, "pcm_s16be");
    EXPECT_EQ(For("o.vob", {"-oac", "pcm"}).audioEncoder, "pcm_s16be");
    EXPECT_EQ(For("o.mov", {"-oac", "pcm"}).audioEncoder, "pcm_s16le");
    EXPECT_EQ(For("o.wmv", {"-oac", "pcm"}).audioEncoder, "pcm_s16le");
    EXPECT_NE(Refusal("o.mp4", {"-oac", "pcm"}).find("pcm"), std::string::npos);
}

TEST(EncodingTest, CodecNames)
{
    EXPECT_EQ(For("o.mp4", {"-lavcopts", "vcodec=h264"}).videoEncoder, "libx264");
    EXPECT_EQ(For("o.avi", {"-oac", "lavc", "-lavcopts", "acodec=mp3"}).audioEncoder, "libmp3lame");
    EXPECT_EQ(For("o.avi", {"-lavcopts", "vcodec=mjpeg"}).pixelFormat, "yuvj420p");
}

TEST(EncodingTest, PairsTheContainerCannotReadBackAreRefused)
{
    EXPECT_NE(Refusal("o.mpg", {"-lavcopts", "vcodec=wmv2"}).find("wmv2"), std::string::npos);
    EXPECT_NE(Refusal("o.vob", {"-lavcopts", "vcodec=msmpeg4"}).find("msmpeg4"), std::string::npos);
    EXPECT_NE(Refusal("o.mov", {"-oac", "lavc", "-lavcopts", "acodec=wmav2"}).find("wmav2"), std::string::npos);
    EXPECT_NE(Refusal("o.flv", {"-lavcopts", "vcodec=mpeg4"}).find("mpeg4"), std::string::npos);
    EXPECT_NE(Refusal("o.flv", {"-lavcopts", "vcodec=flv", "-oac", "lavc", "-lavcopts", "acodec=ac3"}).find("ac3"), std::string::npos);
    EXPECT_NE(Refusal("o.mp4", {"-lavcopts", "vcodec=wmv1"}).find("wmv1"), std::string::npos);
    EXPECT_EQ(Refusal("o.wmv", {"-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts", "acodec=wmav2"}), "");
}

TEST(EncodingTest, TooManyChannelsForTheCodec)
{
    EXPECT_NE(Refusal("o.avi", {"-channels", "6"}).find("-channels"), std::string::npos);
    EXPECT_EQ(Refusal("o.avi", {"-channels", "6", "-oac", "lavc", "-lavcopts", "acodec=ac3"}), "");
}

TEST(EncodingTest, NearestAllowedRates)
{
    const Encoding flv = For("o.flv", {"-lavcopts", "vcodec=flv"});
    EXPECT_EQ(NearestSampleRate(flv, 48000), 44100);
    EXPECT_EQ(NearestSampleRate(flv, 22000), 22050);
    const Encoding ac3 = For("o.avi", {"-oac", "lavc", "-lavcopts", "acodec=ac3"});
    EXPECT_EQ(NearestSampleRate(ac3, 22050), 32000);
    EXPECT_EQ(NearestSampleRate(For("o.avi", {"-oac", "pcm"}), 22050), 22050);

    const Encoding mpeg2 = For("o.mpg", {"-lavcopts", "vcodec=mpeg2video"});
    EXPECT_DOUBLE_EQ(AllowedFrameRate(mpeg2, 15), 24000.0 / 1001);
    EXPECT_DOUBLE_EQ(AllowedFrameRate(mpeg2, 30), 30);
    EXPECT_DOUBLE_EQ(AllowedFrameRate(For("o.avi"), 15), 15);
}
