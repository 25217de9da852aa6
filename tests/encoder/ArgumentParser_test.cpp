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

TEST(ArgumentParserTest, JoinLineWithOptionsBetweenInputs)
{
    const Request r = Parse({"/t/0.avi", "-ovc", "lavc", "/t/1 b.avi", "-o", "/out/movie.mp4", "", "-lavcopts",
                             "vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect", "-oac", "mp3lame", "-lameopts",
                             "vbr=2:q=4", "-channels", "2", "-vf", "scale=224", "-srate", "44100", "-of", "avi",
                             "-tracks", "first"});
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"/t/0.avi", "/t/1 b.avi"}));
    EXPECT_EQ(r.output, "/out/movie.mp4");
    EXPECT_EQ(r.videoCodec, "mpeg4");
    EXPECT_EQ(r.videoBitrate, 1800000);
    EXPECT_EQ(r.mbd, 2);
    EXPECT_TRUE(r.autoAspect);
    EXPECT_EQ(r.lameMode, Request::LameMode::Vbr);
    EXPECT_EQ(r.lameQuality, 4);
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.sampleRate, 44100);
    EXPECT_EQ(r.scaleWidth, 224);
    EXPECT_EQ(r.scaleHeight, 0);
    EXPECT_FALSE(r.output.keepExisting);
    EXPECT_FALSE(r.allTracks);
}

TEST(ArgumentParserTest, EveryWordAfterTheEndOfOptionsIsAnInput)
{
    const Request r = Parse({"-noreplace", "-o", "-o.avi", "--", "-o", "--", "", "-lavcopts"});
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"-o", "--", "", "-lavcopts"}));
    EXPECT_EQ(r.output, "-o.avi");
    EXPECT_TRUE(r.output.keepExisting);
}

TEST(ArgumentParserTest, BothLavcoptsApply)
{
    const Request r = Parse({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=wmv2:vbitrate=16001:aspect=16:9",
                             "-oac", "lavc", "-lavcopts", "acodec=ac3:abitrate=192"});
    EXPECT_EQ(r.videoCodec, "wmv2");
    // Above 16000 the rate is already in bit/s.
    EXPECT_EQ(r.videoBitrate, 16001);
    EXPECT_NEAR(r.aspect.value_or(0), 16.0 / 9, 1e-9);
    EXPECT_EQ(r.audio, Request::Audio::Lavc);
    EXPECT_EQ(r.audioCodec, "ac3");
    EXPECT_EQ(r.audioBitrate, 192);
}

TEST(ArgumentParserTest, AspectSpellings)
{
    for (const std::string text : {"aspect=16:9", "aspect=16/9", "aspect=1.777778"}) {
        const Request r = Parse({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=mpeg4:" + text + ":mbd=1"});
        EXPECT_NEAR(r.aspect.value_or(0), 16.0 / 9, 1e-6) << text;
        EXPECT_EQ(r.mbd, 1) << text;
    }
    EXPECT_NE(Refusal({"a.avi", "-o", "o.avi", "-lavcopts", "aspect=wide"}), "");
    EXPECT_NE(Refusal({"a.avi", "-o", "o.avi", "-lavcopts", "aspect=16:0"}), "");
}

TEST(ArgumentParserTest, LameModes)
{
    const Request cbr = Parse({"a", "-o", "o.avi", "-lameopts", "cbr:br=224"});
    EXPECT_EQ(cbr.lameMode, Request::LameMode::Cbr);
    EXPECT_EQ(cbr.lameBitrate, 224);
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-lameopts", "abr:br=128"}).lameMode, Request::LameMode::Abr);
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lameopts", "cbr"}), "");
    EXPECT_NE(Refusal({"a", "-o", "o.avi", "-lameopts", "vbr=2:q=12"}), "");
}

TEST(ArgumentParserTest, RefusalsNameTheCulprit)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-fast"}, "-fast"}, {{"-srate"}, "-srate"}, {{"-srate", "fast"}, "-srate"},
        {{"-lavcopts", "vcodec=theora"}, "theora"}, {{"-lavcopts", "vbitrate="}, "vbitrate"},
        {{"-lavcopts", "trell"}, "trell"}, {{"-lameopts", "VBR:br=224"}, "VBR"}, {{"-ovc", "x264"}, "-ovc"},
        {{"-oac", "faac"}, "-oac"}, {{"-vf", "crop=10:10"}, "crop"}, {{"-ofps", "0"}, "-ofps"},
        {{"-vf", "scale=640:480,hqdn3d"}, "hqdn3d"}, {{"-ofps", "30000/0"}, "-ofps"},
        {{"-oac", "lavc"}, "acodec"}, {{"-of", "matroska"}, "matroska"},
        {{"b", "-chaptertitle", "a"}, "-chaptertitle"}, {{"-tracks", "most"}, "most"}};
    for (const auto& [options, culprit] : cases) {
        std::vector<std::string> args = {"a", "-o", "o.avi"};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_NE(Refusal(args).find(culprit), std::string::npos) << culprit;
    }
    EXPECT_NE(Refusal({"a"}).find("-o"), std::string::npos);
    EXPECT_NE(Refusal({"-o", "o.avi"}).find("input"), std::string::npos);
}

TEST(ArgumentParserTest, MEncodersUsualFormsOfRateAndFilters)
{
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-ofps", "24000/1001"}).frameRate, "24000/1001");
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-ofps", "30000/1001"}).frameRate, "30000/1001");
    const Request r = Parse({"a", "-o", "o.avi", "-vf", "scale=640:480,harddup"});
    EXPECT_EQ(r.scaleWidth, 640);
    EXPECT_EQ(r.scaleHeight, 480);
    EXPECT_EQ(Parse({"a", "-o", "o.avi", "-vf", "harddup,scale=320"}).scaleWidth, 320);
}
