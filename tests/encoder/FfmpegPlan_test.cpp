#include "ArgumentParser.h"
#include "FfmpegPlan.h"

#include <algorithm>
#include <cmath>
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

FfmpegPlan PlanFor(std::vector<std::string> args, const std::vector<InputInfo>& inputs, unsigned cores = 2,
                   long framesBefore = 0)
{
    const Request request = ParseArguments(args);
    const Encoding encoding = ChooseEncoding(request);
    return BuildFfmpegPlan(request, encoding, ChooseOutputFormat(request, encoding, inputs), inputs,
                           "/proc/self/fd/3", "/proc/self/fd/4", cores, {framesBefore, "mark", {}, {}});
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

// The numbers after each "key=" in the graph, in order.
std::vector<long> Values(const std::string& graph, const std::string& key)
{
    std::vector<long> values;
    for (std::size_t at = graph.find(key); at != std::string::npos; at = graph.find(key, at + 1))
        values.push_back(std::stol(graph.substr(at + key.size())));
    return values;
}

} // namespace

TEST(FfmpegPlanTest, ConversionKeepsQualityHighAndTheInputsSound)
{
    const FfmpegPlan plan = PlanFor({"in.mp4", "-o", "/t/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                                     "-vf", "scale=640:480"},
                                    {Clip("in.mp4", 320, 240, 25, 2, true)});
    EXPECT_EQ(After(plan.args, "-q:v"), "2");
    EXPECT_EQ(After(plan.args, "-threads"), "2"); // the decoder's
    EXPECT_EQ(After(plan.args, "-c:v"), "mpeg4");
    EXPECT_EQ(After(plan.args, "-q:a"), "2");
    EXPECT_EQ(After(plan.args, "-ar"), "48000");
    EXPECT_EQ(After(plan.args, "-ac"), "1");
    EXPECT_EQ(After(plan.args, "-filter_complex_script"), "/proc/self/fd/4");
    EXPECT_TRUE(plan.changes.empty());
}

TEST(FfmpegPlanTest, SoundLastsAsLongAsEachInputsFramesFromItsOwnStart)
{
    InputInfo late = Clip("a.ts", 640, 480, 30, 2, true);
    late.start = 0.5;
    const FfmpegPlan plan = PlanFor({"a.ts", "b.avi", "-o", "o.mpg", "-lavcopts", "vcodec=mpeg2video:aspect=16/9",
                                     "-ofps", "30", "-srate", "44100", "-channels", "2"},
                                    {late, Clip("b.avi", 320, 240, 25, 1.01, false)});
    // 1.01 s is 30 frames at 30 fps, so its silence lasts 30/30 s.
    EXPECT_EQ(Values(plan.graph, "end_frame="), (std::vector<long>{60, 30}));
    EXPECT_EQ(Values(plan.graph, "end_sample="), (std::vector<long>{88200, 44100}));
    EXPECT_TRUE(Holds(plan.graph, "[0:0]setpts=PTS-0.500000/TB,fps=30:start_time=0,")) << plan.graph;
    EXPECT_TRUE(Holds(plan.graph, "[0:1]asetpts=PTS-0.500000/TB,aresample=44100:async=1:first_pts=0:")) << plan.graph;
    EXPECT_TRUE(Holds(plan.graph, "[1:0]fps=30:start_time=0,")) << plan.graph;
    EXPECT_TRUE(Holds(plan.graph, "anullsrc=r=44100:cl=stereo")) << plan.graph;
    EXPECT_TRUE(Holds(plan.graph, "setdar=1.777778")) << plan.graph;
    EXPECT_TRUE(Holds(plan.graph, "[v0][a0][v1][a1]concat=n=2:v=1:a=1[v][a]")) << plan.graph;
}

TEST(FfmpegPlanTest, SamplesAreCountedFromTheJoinsStart)
{
    // 1001 frames at 30000/1001 fps and 44100 Hz: no input's share is a whole number of samples.
    std::vector<InputInfo> inputs(7, Clip("a.avi", 320, 240, 30000.0 / 1001, 1001 / (30000.0 / 1001), true));
    const auto plan = PlanFor({"a.avi", "-o", "o.mp4", "-srate", "44100"}, inputs);
    long sum = 0;
    for (const long samples : Values(plan.graph, "end_sample="))
        sum += samples;
    EXPECT_EQ(sum, std::lround(7 * 1001 * 44100 / (30000.0 / 1001)));
    // Joined in groups, as a long join is, the samples come to the same (rounded apart, one short).
    const auto samplesOf = [](const std::vector<InputInfo>& part, long framesBefore) {
        long samples = 0;
        for (const long each : Values(PlanFor({"a.avi", "-o", "o.mp4", "-srate", "44100"}, part, 2, framesBefore).graph,
                                      "end_sample="))
            samples += each;
        return samples;
    };
    EXPECT_EQ(samplesOf({inputs[0]}, 0) + samplesOf({inputs[1]}, 1001), samplesOf({inputs[0], inputs[1]}, 0));
}

TEST(FfmpegPlanTest, AviLosesItsSoundsPrimingAndKeepsPicturesInOrder)
{
    const InputInfo input = Clip("a.avi", 320, 240, 25, 1, true);
    const auto mp3 = PlanFor({"a.avi", "-o", "o.avi", "-srate", "8000"}, {input});
    EXPECT_TRUE(Holds(mp3.graph, "atrim=start_sample=1105,asetpts=PTS-STARTPTS[a]")) << mp3.graph;
    EXPECT_EQ(After(mp3.args, "-avoid_negative_ts"), "disabled");
    const auto h264 = PlanFor({"a.avi", "-o", "o.avi", "-lavcopts", "vcodec=h264", "-oac", "lavc", "-lavcopts",
                               "acodec=aac"}, {input});
    EXPECT_EQ(After(h264.args, "-bf"), "0");
    EXPECT_TRUE(Holds(h264.graph, "start_sample=1024")) << h264.graph;
    // Containers with timestamps say where the sound proper starts themselves.
    const auto mp4 = PlanFor({"a.avi", "-o", "o.mp4", "-lavcopts", "vcodec=h264"}, {input});
    EXPECT_FALSE(Holds(mp4.graph, "start_sample")) << mp4.graph;
    EXPECT_EQ(After(mp4.args, "-avoid_negative_ts"), "");
    EXPECT_EQ(After(mp4.args, "-bf"), "");

    EXPECT_EQ(PrimingSamples("wmav2", 8000), 512);
    EXPECT_EQ(PrimingSamples("wmav1", 32000), 1024);
    EXPECT_EQ(PrimingSamples("wmav2", 44100), 2048);
    EXPECT_EQ(PrimingSamples("pcm_s16le", 44100), 0);
}

TEST(FfmpegPlanTest, ChangedValuesAreSaid)
{
    const auto flv = PlanFor({"a.avi", "-o", "o.flv", "-lavcopts", "vcodec=flv:aspect=16:9", "-srate", "48000"},
                             {Clip("a.avi", 321, 241, 25, 1, true)});
    EXPECT_EQ(After(flv.args, "-ar"), "44100");
    EXPECT_TRUE(Holds(flv.graph, "scale=320:240:")) << flv.graph;
    EXPECT_TRUE(Holds(flv.graph, "out_range=tv,setsar=1")) << flv.graph;
    ASSERT_EQ(flv.changes.size(), 3u);
    EXPECT_TRUE(Holds(flv.changes[0], "321x241 changed to 320x240")) << flv.changes[0];
    EXPECT_TRUE(Holds(flv.changes[1], "aspect 1.778 dropped")) << flv.changes[1];
    EXPECT_TRUE(Holds(flv.changes[2], "48000 Hz changed to 44100 Hz")) << flv.changes[2];
    const auto ac3 = PlanFor({"a.avi", "-o", "o.avi", "-oac", "lavc", "-lavcopts", "acodec=ac3", "-srate", "22050"},
                             {Clip("a.avi", 320, 240, 25, 1, true)});
    EXPECT_EQ(ac3.changes, std::vector<std::string>{"Sample rate 22050 Hz changed to 32000 Hz: the nearest that ac3 in avi holds"});
    // The first input's size, not the largest, when no size is asked.
    EXPECT_TRUE(Holds(PlanFor({"a.avi", "b.avi", "-o", "o.avi"},
                              {Clip("a.avi", 320, 240, 25, 1, true), Clip("b.avi", 640, 480, 25, 1, true)}).graph,
                      "scale=320:240"));
}

TEST(FfmpegPlanTest, ThreadsForManyInputsAndManyCores)
{
    EXPECT_EQ(DecoderThreads(1, 2), 2);
    EXPECT_EQ(DecoderThreads(1, 64), 16);
    EXPECT_EQ(DecoderThreads(40, 64), 1);
    EXPECT_EQ(DecoderThreads(4, 64), 8);
    const auto plan = PlanFor({"a.avi", "-o", "o.mp4", "-lavcopts", "vcodec=h264"},
                              {Clip("a.avi", 320, 240, 25, 1, true)}, 64);
    EXPECT_EQ(std::count(plan.args.begin(), plan.args.end(), "16"), 2) << "decoder and encoder";
}

TEST(FfmpegPlanTest, FrameRateTexts)
{
    EXPECT_EQ(FrameRateText(30), "30");
    EXPECT_EQ(FrameRateText(30000.0 / 1001), "30000/1001");
    EXPECT_EQ(FrameRateText(12.5), "12.5000");
}
