#include "ArgumentParser.h"
#include "UsageError.h"

#include <gtest/gtest.h>

namespace {

Request Parse(std::vector<std::string> args)
{
    return ParseArguments(args);
}

// The message of the refusal, or "" when the arguments were accepted.
std::string Refusal(std::vector<std::string> args)
{
    try {
        ParseArguments(args);
    } catch (const UsageError& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(ArgumentParserTest, ConversionLineOfTheJoiner)
{
    const Request r = Parse({"/in/a b.mp4", "-o", "/tmp/x/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                             "-vf", "scale=640:480"});
    EXPECT_EQ(r.inputs, std::vector<std::string>{"/in/a b.mp4"});
    EXPECT_EQ(r.output, "/tmp/x/0.avi");
    EXPECT_EQ(r.audio, Request::Audio::Mp3Lame);
    EXPECT_EQ(r.videoCodec, "");
    EXPECT_EQ(r.frameRate, "30");
    EXPECT_EQ(r.scaleWidth, 640);
    EXPECT_EQ(r.scaleHeight, 480);
}

TEST(ArgumentParserTest, JoinLineWithMp3)
{
    const Request r = Parse({"/t/0.avi", "/t/1.avi", "-o", "/out/movie.mp4", "", "-ovc", "lavc", "-lavcopts",
                             "vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect", "-oac", "mp3lame", "-lameopts",
                             "vbr=2:q=4", "-channels", "2", "-vf", "scale=640:480", "-srate", "44100"});
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"/t/0.avi", "/t/1.avi"}));
    EXPECT_EQ(r.videoCodec, "mpeg4");
    EXPECT_EQ(r.videoBitrate, 1800000);
    EXPECT_EQ(r.mbd, 2);
    EXPECT_TRUE(r.autoAspect);
    EXPECT_EQ(r.lameMode, Request::LameMode::Vbr);
    EXPECT_EQ(r.lameQuality, 4);
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.sampleRate, 44100);
}

TEST(ArgumentParserTest, OptionsBeforeAndBetweenInputs)
{
    const Request r = Parse({"-oac", "pcm", "/t/0.avi", "-o", "/o.avi", "/t/1.avi", "-channels", "1", "/t/2.avi"});
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"/t/0.avi", "/t/1.avi", "/t/2.avi"}));
    EXPECT_EQ(r.audio, Request::Audio::Pcm);
    EXPECT_EQ(r.channels, 1);
}

TEST(ArgumentParserTest, BothLavcoptsApply)
{
    const Request r = Parse({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=wmv2:vbitrate=900:mbd=2:aspect=16:9",
                             "-oac", "lavc", "-lavcopts", "acodec=ac3:abitrate=192"});
    EXPECT_EQ(r.videoCodec, "wmv2");
    EXPECT_EQ(r.videoBitrate, 900000);
    ASSERT_TRUE(r.aspect);
    EXPECT_NEAR(*r.aspect, 16.0 / 9, 1e-9);
    EXPECT_EQ(r.audio, Request::Audio::Lavc);
    EXPECT_EQ(r.audioCodec, "ac3");
    EXPECT_EQ(r.audioBitrate, 192);
}

TEST(ArgumentParserTest, AspectSpellings)
{
    for (const std::string text : {"aspect=16:9", "aspect=16/9", "aspect=1.777778"}) {
        const Request r = Parse({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=mpeg4:" + text + ":mbd=1"});
        ASSERT_TRUE(r.aspect) << text;
        EXPECT_NEAR(*r.aspect, 16.0 / 9, 1e-6) << text;
        EXPECT_EQ(r.mbd, 1) << text;
    }
    const Request last = Parse({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=mpeg4:aspect=4:3"});
    EXPECT_NEAR(*last.aspect, 4.0 / 3, 1e-9);
    EXPECT_NE(Refusal({"a.avi", "-o", "o.avi", "-lavcopts", "aspect=wide"}), "");
    EXPECT_NE(Refusal({"a.avi", "-o", "o.avi", "-lavcopts", "aspect=16:0"}), "");
}

TEST(ArgumentParserTest, LargeVideoBitrateIsBitsPerSecond)
{
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-lavcopts", "vbitrate=16000"}).videoBitrate, 16000000);
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-lavcopts", "vbitrate=16001"}).videoBitrate, 16001);
}

TEST(ArgumentParserTest, LameModes)
{
    const Request cbr = Parse({"a", "-o", "o.avi", "-lameopts", "cbr:br=224"});
    EXPECT_EQ(cbr.lameMode, Request::LameMode::Cbr);
    EXPECT_EQ(cbr.lameBitrate, 224);
    const Request abr = Parse({"a", "-o", "o.avi", "-lameopts", "abr:br=128"});
    EXPECT_EQ(abr.lameMode, Request::LameMode::Abr);
    EXPECT_EQ(abr.lameBitrate, 128);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lameopts", "cbr"}), "");
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lameopts", "vbr=2:q=12"}), "");
}

TEST(ArgumentParserTest, ScaleWidthAloneKeepsHeightOpen)
{
    const Request r = Parse({"a", "-o", "o.avi", "-vf", "scale=224"});
    EXPECT_EQ(r.scaleWidth, 224);
    EXPECT_EQ(r.scaleHeight, 0);
}

TEST(ArgumentParserTest, OptionalOutputFormat)
{
    EXPECT_EQ(Refusal({"a", "-o", "o.avi", "-of", "avi"}), "");
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-of", "matroska"}), "");
}

TEST(ArgumentParserTest, RefusalsNameTheCulprit)
{
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-fast"}).find("-fast"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-srate"}).find("-srate"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-srate", "fast"}).find("-srate"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lavcopts", "vcodec=theora"}).find("theora"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lavcopts", "vbitrate="}).find("vbitrate"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lavcopts", "trell"}).find("trell"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lameopts", "VBR:br=224"}).find("VBR"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-ovc", "x264"}).find("-ovc"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-oac", "faac"}).find("-oac"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-vf", "crop=10:10"}).find("crop"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-ofps", "0"}).find("-ofps"), std::string::npos);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-oac", "lavc"}).find("acodec"), std::string::npos);
    EXPECT_NE(Refusal({"a"}).find("-o"), std::string::npos);
    EXPECT_NE(Refusal({"-o", "o.avi"}).find("input"), std::string::npos);
}
