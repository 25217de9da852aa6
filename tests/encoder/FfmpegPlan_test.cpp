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

FfmpegPlan PlanFor(std::vector<std::string> args, const std::vector<InputInfo>& inputs)
{
    const Request request = ParseArguments(args);
    return BuildFfmpegPlan(request, ChooseEncoding(request), inputs, "/proc/self/fd/3", 4);
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

std::size_t GroupsFor(const std::string& output, const std::string& codec, const std::vector<double>& seconds)
{
    std::vector<std::string> args = {"x.avi", "-o", output, "-lavcopts", "vcodec=" + codec};
    std::vector<InputInfo> inputs;
    for (const double length : seconds)
        inputs.push_back(Clip("x.avi", 320, 240, 25, length, true));
    const Request request = ParseArguments(args);
    return VideoGroups(ChooseEncoding(request), inputs, 2).size();
}

} // namespace

TEST(FfmpegPlanTest, ConversionKeepsQualityHighAndTheInputsSound)
{
    const FfmpegPlan plan = PlanFor({"in.mp4", "-o", "/t/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                                     "-vf", "scale=640:480"},
                                    {Clip("in.mp4", 320, 240, 25, 2, true)});
    ASSERT_EQ(plan.videoParts.size(), 1u);
    EXPECT_EQ(After(plan.videoParts[0], "-q:v"), "2");
    EXPECT_EQ(After(plan.audioPart, "-q:a"), "2");
    EXPECT_EQ(After(plan.audioPart, "-ar"), "48000");
    EXPECT_EQ(After(plan.audioPart, "-ac"), "1");
    EXPECT_TRUE(plan.partList.empty());
}

TEST(FfmpegPlanTest, SoundLastsAsLongAsEachInputsFrames)
{
    const FfmpegPlan plan = PlanFor({"a.avi", "b.avi", "-o", "o.mpg", "-lavcopts", "vcodec=mpeg2video:aspect=16/9",
                                     "-ofps", "30", "-srate", "44100", "-channels", "2"},
                                    {Clip("a.avi", 640, 480, 30, 2, true), Clip("b.avi", 320, 240, 25, 1.01, false)});
    const std::string video = After(plan.videoParts[0], "-filter_complex");
    const std::string audio = After(plan.audioPart, "-filter_complex");
    // 1.01 s is 31 frames at 30 fps, so its silence lasts 31/30 s.
    EXPECT_TRUE(Holds(video, "end_frame=60,")) << video;
    EXPECT_TRUE(Holds(video, "end_frame=31,")) << video;
    EXPECT_TRUE(Holds(audio, "end_sample=88200")) << audio;
    EXPECT_TRUE(Holds(audio, "anullsrc=r=44100:cl=stereo,aformat=sample_fmts=fltp:sample_rates=44100:channel_layouts=stereo,atrim=end_sample=45570")) << audio;
    EXPECT_TRUE(Holds(video, "setdar=1.777778")) << video;
    // Only the input with sound is opened for the sound.
    EXPECT_EQ(std::count(plan.audioPart.begin(), plan.audioPart.end(), "-i"), 1);
}

TEST(FfmpegPlanTest, PictureIsSharedOutByLength)
{
    EXPECT_EQ(GroupsFor("o.avi", "mpeg4", {60}), 1u);
    EXPECT_EQ(GroupsFor("o.avi", "mpeg4", {60, 60}), 2u);
    EXPECT_EQ(GroupsFor("o.mp4", "h264", {10, 50, 60}), 2u);
    EXPECT_EQ(GroupsFor("o.avi", "h264", {60, 60}), 1u);
    EXPECT_EQ(GroupsFor("o.mpg", "mpeg2video", {60, 60}), 1u);

    std::vector<InputInfo> inputs = {Clip("a", 8, 8, 25, 10, true), Clip("b", 8, 8, 25, 50, true),
                                     Clip("c", 8, 8, 25, 60, true)};
    std::vector<std::string> args = {"a", "-o", "o.avi"};
    const auto groups = VideoGroups(ChooseEncoding(ParseArguments(args)), inputs, 2);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].size(), 2u);
    EXPECT_EQ(groups[1][0].path, "c");
}

TEST(FfmpegPlanTest, SizeAndSoundRateFollowTheRules)
{
    EXPECT_TRUE(Holds(After(PlanFor({"a.avi", "-o", "o.avi", "-vf", "scale=224"},
                                    {Clip("a.avi", 320, 240, 25, 1, true)}).videoParts[0], "-filter_complex"),
                      "scale=224:240"));
    EXPECT_TRUE(Holds(After(PlanFor({"a.avi", "b.avi", "-o", "o.avi"},
                                    {Clip("a.avi", 321, 241, 25, 1, true), Clip("b.avi", 640, 480, 25, 1, true)})
                                .videoParts[0], "-filter_complex"),
                      "scale=320:240"));
    EXPECT_EQ(After(PlanFor({"a.avi", "-o", "o.flv", "-lavcopts", "vcodec=flv", "-srate", "48000"},
                            {Clip("a.avi", 320, 240, 25, 1, true)}).audioPart, "-ar"),
              "44100");
}

TEST(FfmpegPlanTest, FrameRateTexts)
{
    EXPECT_EQ(FrameRateText(30), "30");
    EXPECT_EQ(FrameRateText(30000.0 / 1001), "30000/1001");
    EXPECT_EQ(FrameRateText(12.5), "12.5000");
}
