#include "ArgumentParser.h"
#include "FfmpegPlan.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

InputInfo Clip(const std::string& path, int width, int height, double rate, double seconds, bool audio)
{
    InputInfo info;
    info.path = path;
    info.videoStream = 0;
    info.audioStream = audio ? 1 : -1;
    info.width = width;
    info.height = height;
    info.frameRate = rate;
    info.duration = seconds;
    info.sampleRate = audio ? 48000 : 0;
    info.channels = audio ? 1 : 0;
    return info;
}

struct Plan {
    Request request;
    Encoding encoding;
    std::vector<std::string> args;
};

Plan PlanFor(std::vector<std::string> args, const std::vector<InputInfo>& inputs)
{
    Plan plan;
    plan.request = ParseArguments(args);
    plan.encoding = ChooseEncoding(plan.request);
    plan.args = BuildFfmpegArguments(plan.request, plan.encoding, inputs, "/proc/self/fd/3");
    return plan;
}

// The value after an option, or "" when the option is absent.
std::string After(const std::vector<std::string>& args, const std::string& option)
{
    const auto found = std::find(args.begin(), args.end(), option);
    return found == args.end() || found + 1 == args.end() ? std::string() : *(found + 1);
}

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(FfmpegPlanTest, ConversionKeepsQualityHighAndScales)
{
    const Plan plan = PlanFor({"in.mp4", "-o", "/t/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                               "-vf", "scale=640:480"},
                              {Clip("in.mp4", 320, 240, 25, 2, true)});
    EXPECT_EQ(plan.args.front(), "ffmpeg");
    EXPECT_EQ(After(plan.args, "-i"), "file:in.mp4");
    EXPECT_EQ(After(plan.args, "-c:v"), "mpeg4");
    EXPECT_EQ(After(plan.args, "-q:v"), "2");
    EXPECT_EQ(After(plan.args, "-threads"), "1");
    EXPECT_EQ(After(plan.args, "-c:a"), "libmp3lame");
    EXPECT_EQ(After(plan.args, "-q:a"), "2");
    EXPECT_EQ(After(plan.args, "-f"), "avi");
    EXPECT_EQ(After(plan.args, "-progress"), "pipe:1");
    EXPECT_EQ(plan.args.back(), "/proc/self/fd/3");
    EXPECT_NE(std::find(plan.args.begin(), plan.args.end(), "-nostdin"), plan.args.end());
    const std::string graph = After(plan.args, "-filter_complex");
    EXPECT_TRUE(Holds(graph, "fps=30,trim=end=2.000000,scale=640:480,setsar=1")) << graph;
    // No -channels or -srate: the input's sound format is kept.
    EXPECT_EQ(After(plan.args, "-ar"), "48000");
    EXPECT_EQ(After(plan.args, "-ac"), "1");
}

TEST(FfmpegPlanTest, JoinBringsEveryInputToOneFormat)
{
    const Plan plan = PlanFor({"a.avi", "b.avi", "-o", "o.mp4", "-lavcopts", "vcodec=h264:vbitrate=1800:mbd=2:autoaspect",
                               "-oac", "mp3lame", "-lameopts", "abr:br=160", "-channels", "2", "-vf",
                               "scale=640:480", "-srate", "44100"},
                              {Clip("a.avi", 640, 480, 30, 2, true), Clip("b.avi", 320, 240, 25, 1.5, false)});
    const std::string graph = After(plan.args, "-filter_complex");
    EXPECT_TRUE(Holds(graph, "[0:0]")) << graph;
    EXPECT_TRUE(Holds(graph, "[0:1]asetpts")) << graph;
    EXPECT_TRUE(Holds(graph, "anullsrc=r=44100:cl=stereo")) << graph;
    EXPECT_TRUE(Holds(graph, "atrim=end=1.500000")) << graph;
    EXPECT_TRUE(Holds(graph, "fps=30,trim=end=1.500000")) << graph;
    EXPECT_TRUE(Holds(graph, "concat=n=2:v=1:a=1[v][a]")) << graph;
    EXPECT_TRUE(Holds(graph, "setdar=1.333333")) << graph;
    EXPECT_EQ(After(plan.args, "-c:v"), "libx264");
    EXPECT_EQ(After(plan.args, "-b:v"), "1800000");
    EXPECT_EQ(After(plan.args, "-mbd"), "");
    EXPECT_EQ(After(plan.args, "-threads"), "");
    EXPECT_EQ(After(plan.args, "-b:a"), "160k");
    EXPECT_EQ(After(plan.args, "-abr"), "1");
    EXPECT_EQ(After(plan.args, "-ar"), "44100");
    EXPECT_EQ(After(plan.args, "-ac"), "2");
}

TEST(FfmpegPlanTest, FixedAspectAndMbd)
{
    const Plan plan = PlanFor({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=mpeg4:vbitrate=900:mbd=2:aspect=16:9"},
                              {Clip("a.avi", 640, 480, 30, 1, true)});
    EXPECT_TRUE(Holds(After(plan.args, "-filter_complex"), "setdar=1.777778"));
    EXPECT_EQ(After(plan.args, "-mbd"), "2");
}

TEST(FfmpegPlanTest, ScaleWidthKeepsTheFirstInputsHeight)
{
    const Plan plan = PlanFor({"a.avi", "-o", "o.avi", "-vf", "scale=224"}, {Clip("a.avi", 320, 240, 25, 1, true)});
    EXPECT_TRUE(Holds(After(plan.args, "-filter_complex"), "scale=224:240"));
}

TEST(FfmpegPlanTest, NoScaleKeepsTheFirstInputsSizeMadeEven)
{
    const Plan plan = PlanFor({"a.avi", "b.avi", "-o", "o.avi"},
                              {Clip("a.avi", 321, 241, 25, 1, true), Clip("b.avi", 640, 480, 25, 1, true)});
    EXPECT_TRUE(Holds(After(plan.args, "-filter_complex"), "scale=320:240"));
}

TEST(FfmpegPlanTest, FlvSoundRateIsMovedToTheNearestAllowed)
{
    const Plan plan = PlanFor({"a.avi", "-o", "o.flv", "-lavcopts", "vcodec=flv", "-srate", "48000"},
                              {Clip("a.avi", 320, 240, 25, 1, true)});
    EXPECT_EQ(After(plan.args, "-ar"), "44100");
}

TEST(FfmpegPlanTest, FrameRateTexts)
{
    EXPECT_EQ(FrameRateText(30), "30");
    EXPECT_EQ(FrameRateText(30000.0 / 1001), "30000/1001");
    EXPECT_EQ(FrameRateText(24000.0 / 1001), "24000/1001");
    EXPECT_EQ(FrameRateText(12.5), "12.5000");
}
