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
    EXPECT_EQ(ContainerForPath("b.wmv"), Container::Asf);
    EXPECT_THROW(ContainerForPath("/a.d/b"), UsageError);
    EXPECT_EQ(ContainerForPath("b.mkv"), Container::Matroska);
    EXPECT_THROW(ContainerForPath("b.ogv"), UsageError);
}

TEST(EncodingTest, PcmTakesTheContainersForm)
{
    EXPECT_EQ(For("o.avi", {"-oac", "pcm"}).audioEncoder, "pcm_s16le");
    EXPECT_EQ(For("o.mpg", {"-oac", "pcm"}).audioEncoder, "pcm_s16be");
    EXPECT_EQ(For("o.vob", {"-oac", "pcm"}).audioEncoder, "pcm_s16be");
    EXPECT_EQ(For("o.mov", {"-oac", "pcm"}).audioEncoder, "pcm_s16le");
    EXPECT_NE(Refusal("o.mp4", {"-oac", "pcm"}).find("pcm"), std::string::npos);
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
    EXPECT_EQ(NearestSampleRate(For("o.avi", {"-oac", "lavc", "-lavcopts", "acodec=ac3"}), 22050), 32000);
    EXPECT_EQ(NearestSampleRate(For("o.avi", {"-oac", "pcm"}), 22050), 22050);

    const Encoding mpeg2 = For("o.mpg", {"-lavcopts", "vcodec=mpeg2video"});
    EXPECT_DOUBLE_EQ(AllowedFrameRate(mpeg2, 15), 24000.0 / 1001);
    EXPECT_DOUBLE_EQ(AllowedFrameRate(mpeg2, 30), 30);
    EXPECT_DOUBLE_EQ(AllowedFrameRate(For("o.avi"), 15), 15);
}

TEST(EncodingTest, QuickTimeRefusesTheCodecsFfmpegWarnsAbout)
{
    for (const std::string codec : {"wmv1", "wmv2", "flv", "msmpeg4v2"})
        EXPECT_NE(Refusal("o.mov", {"-lavcopts", "vcodec=" + codec}).find("cannot hold"), std::string::npos) << codec;
    EXPECT_EQ(Refusal("o.mov", {"-lavcopts", "vcodec=msmpeg4"}), "");
}
