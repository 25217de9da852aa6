#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobProgress.h"
#include "pipeline/ProgressBars.h"
#include "tests/pipeline/OptionWords.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

TEST(ProgressBars, CurrentBarRounding)
{
    EXPECT_EQ(RoundHalfEven(62.5), 62);
    EXPECT_EQ(RoundHalfEven(63.5), 64);
    struct Case {
        const char* what;
        int bar, expected;
    };
    const Case cases[] = {
        {"halfway", CurrentBar(0, 30, 60), 50},
        {"beyond the file's length", CurrentBar(0, 130, 120), 100},
        {"a negative length shows 0", CurrentBar(7, 10, -1), 0},
        {"a zero length moves nothing", CurrentBar(3, 10, 0), 3},
    };
    for (const Case& test : cases)
        EXPECT_EQ(test.bar, test.expected) << test.what;
}

namespace {

// A job driven second by second: its inputs converted one after the other, then the join's
// play seconds; what the total bar and the remaining time show on the way.
struct Readings {
    std::vector<int> totals;
    std::vector<std::optional<int>> remaining;
};

// An input as the simulated machine converts it: its play seconds, its picture ("" when not
// known) and the play seconds of it a quiet machine converts in a second.
struct SimulatedInput {
    double seconds;
    const char* size;
    double perSecond;
};

// A job of one input of `seconds` that converts at `perSecond`.
std::vector<SimulatedInput> OneInput(double seconds, double perSecond)
{
    return {{seconds, "", perSecond}};
}

// The share of the machine the job has at a second of the clock: 1 on a quiet machine.
using MachineShare = std::function<double(int second)>;

struct SimulatedJob {
    JobPlan plan = JobPlan::EncodeOnce;
    QStringList joinArguments;
    std::vector<SimulatedInput> inputs;
    const char* frameSize = "640:480";
    bool convertsFirst = true;
};

// The job's costs as the job runner weighs them, and each input's length and weight.
struct Weighed {
    StageCosts costs;
    QList<double> lengths, weights;
};

Weighed WeighedAsTheRunnerDoes(const SimulatedJob& job)
{
    const ConversionWeights weights(job.plan, job.frameSize, job.joinArguments);
    Weighed weighed;
    double seconds = 0;
    for (const SimulatedInput& input : job.inputs) {
        weighed.lengths << input.seconds;
        weighed.weights << weights.of(input.size);
        seconds += input.seconds;
    }
    weighed.costs = CostsOf(job.plan, job.convertsFirst, seconds, WeighedWork(weighed.lengths, weighed.weights, seconds),
                            job.joinArguments);
    return weighed;
}

Readings Drive(const SimulatedJob& job, double joinPerSecond, int joinSilentSeconds = 0,
               const MachineShare& share = [](int) { return 1.0; })
{
    const Weighed weighed = WeighedAsTheRunnerDoes(job);
    JobProgress progress(weighed.costs);
    Readings readings;
    double converted = 0, joined = 0; // play seconds
    std::size_t input = 0;
    double intoInput = 0;
    for (int second = 1; joined < weighed.costs.joinSeconds; ++second) {
        if (job.convertsFirst && input < job.inputs.size()) {
            // The second's wall time goes to the inputs in turn, each at its own rate.
            for (double wall = share(second); wall > 0 && input < job.inputs.size();) {
                const SimulatedInput& now = job.inputs[input];
                const double step = std::min(now.seconds - intoInput, wall * now.perSecond);
                intoInput += step;
                converted += step;
                wall -= step / now.perSecond;
                if (intoInput >= now.seconds) {
                    ++input;
                    intoInput = 0;
                }
            }
            progress.setConverted(WeighedWork(weighed.lengths, weighed.weights, converted));
        } else if (joinSilentSeconds > 0) {
            --joinSilentSeconds;
            progress.setJoined(0);
            progress.setJoinStep(JoinStep::Reading);
        } else {
            // No encoding step is told: the moving position says it.
            joined = std::min(weighed.costs.joinSeconds, joined + joinPerSecond * share(second));
            progress.setJoined(joined);
        }
        readings.remaining.push_back(progress.tick(second));
        readings.totals.push_back(progress.total());
    }
    return readings;
}

}

TEST(JobProgress, TellsTheTruthInEveryPlan)
{
    struct Case {
        const char* what;
        SimulatedJob job;
        int totalAfterConversions; // the total bar when the join starts
        double joinCost = 0; // the join's wall time per second against the conversions'; 0: as weighed
    };
    const QStringList h264{"-lavcopts", "vcodec=h264:vbitrate=1800"};
    // The join's cost matches its rate in these jobs: a steady job's estimate is exact.
    const Case cases[] = {
        {"pieces joined by copy", {JobPlan::EncodeOnce, {}, OneInput(120, 4)}, 88},
        {"intermediate files encoded again", {JobPlan::Intermediate, {}, OneInput(120, 12)}, 29},
        {"intermediate files encoded again into H.264", {JobPlan::Intermediate, h264, OneInput(120, 12)}, 15},
        {"intermediate files encoded again into MPEG-4",
         {JobPlan::Intermediate, {"-lavcopts", "vcodec=mpeg4:vbitrate=1800", "-vf", "scale=640:480"}, OneInput(120, 12)},
         38},
        {"intermediate files encoded again into VP9",
         {JobPlan::Intermediate, {"-lavcopts", "vcodec=vp9:vbitrate=900", "-vf", "scale=320:240"}, OneInput(120, 12)},
         7},
        {"intermediate files of larger inputs encoded again into H.264",
         {JobPlan::Intermediate, h264, {{120, "1280x720", 12}}}, 32, 2.1},
        {"same-format inputs copied", {JobPlan::EncodeOnce, {}, OneInput(120, 0), "", false}, 0},
    };
    for (const Case& test : cases) {
        const SimulatedJob& job = test.job;
        const double perSecond = job.inputs.front().perSecond;
        const double joinCost = test.joinCost > 0 ? test.joinCost : WeighedAsTheRunnerDoes(job).costs.joinCost;
        const Readings readings = Drive(job, perSecond > 0 ? perSecond / joinCost : 10);
        const int seconds = static_cast<int>(readings.totals.size());
        const int conversionSeconds = job.convertsFirst ? static_cast<int>(job.inputs.front().seconds / perSecond) : 0;
        if (conversionSeconds > 0) {
            EXPECT_EQ(readings.totals[conversionSeconds - 1], test.totalAfterConversions) << test.what;
        }
        for (int second = 2; second < seconds; ++second) {
            EXPECT_LT(readings.totals[second - 1], 100) << test.what << ": 100 % before the end, at " << second;
            ASSERT_TRUE(readings.remaining[second - 1]) << test.what << " at " << second;
            EXPECT_NEAR(*readings.remaining[second - 1], seconds - second, 1) << test.what << " at " << second;
            if (second > 2) {
                EXPECT_LE(*readings.remaining[second - 1], *readings.remaining[second - 2])
                    << test.what << " rises at " << second;
            }
        }
        EXPECT_EQ(readings.remaining.back(), 0) << test.what << ": time left at the end";
        EXPECT_FALSE(readings.remaining.front()) << test.what << ": a remaining time before any rate";
    }
}

TEST(JobProgress, LearnsTheCostOfAJoinWeighedWrong)
{
    // The pieces' join runs at half the rate its weight says: 120 s of conversions, then
    // 10 s of probing and 41 s of join, which the rate of the later half of the job would
    // hardly see.
    const Readings readings = Drive({JobPlan::EncodeOnce, {}, OneInput(120, 1)}, 0.5 / 0.17, 10);
    const int seconds = static_cast<int>(readings.totals.size());
    ASSERT_EQ(seconds, 171);
    // While the join reads its inputs, the shown time counts down with the clock.
    for (int second = 122; second <= 130; ++second)
        EXPECT_EQ(*readings.remaining[second - 1], *readings.remaining[second - 2] - 1) << "at " << second;
    // After four seconds of the join's own work its own rate decides, a fifth of the join
    // in; the shown time rises to it, 3 s a tick.
    for (int second = 140; second < seconds; ++second) {
        ASSERT_TRUE(readings.remaining[second - 1]);
        const double actual = seconds - second;
        EXPECT_NEAR(*readings.remaining[second - 1], actual, std::max(3.0, 0.2 * actual)) << "at " << second;
    }
}

TEST(JobProgress, RisesOnlyWhenTheWorkClearlySlowsDown)
{
    JobProgress progress({400, 0, 1});
    double converted = 0;
    std::optional<int> shown;
    for (int second = 1; second <= 10; ++second) {
        progress.setConverted(converted += 10);
        shown = progress.tick(second);
    }
    ASSERT_EQ(shown, 30);
    // A second of less work is the rate's noise: the shown time stays.
    progress.setConverted(converted += 5);
    EXPECT_EQ(progress.tick(11), 30);
    // So is a pause in the encoder's reports, as while a run probes its inputs.
    for (int second = 12; second <= 16; ++second)
        EXPECT_EQ(progress.tick(second), 30) << "at " << second;
    // Ten seconds at half the rate are a reason.
    for (int second = 17; second <= 26; ++second) {
        progress.setConverted(converted += 5);
        shown = progress.tick(second);
    }
    EXPECT_GT(shown, 40);
}

TEST(JobProgress, HoldsWhenTheMachineGetsBusierOrFreer)
{
    struct Case {
        const char* what;
        SimulatedJob job;
        double joinPerSecond; // on a quiet machine
        MachineShare share = [](int) { return 1.0; };
    };
    const SimulatedJob steady{JobPlan::EncodeOnce, {}, OneInput(240, 3)};
    const double steadyJoin = 3 / WeighedAsTheRunnerDoes(steady).costs.joinCost;
    const QStringList h264{"-lavcopts", "vcodec=h264:vbitrate=1800"};
    // Another program starts or stops encoding beside the job once its first readings are
    // past; the inputs' later part costs three times the first, which no weight foresees.
    // Inputs of other frame sizes cost what their pictures cost, whatever their seconds say.
    const Case cases[] = {
        {"another program starts encoding", steady, steadyJoin, [](int second) { return second >= 20 ? 0.5 : 1.0; }},
        {"another program stops encoding", steady, steadyJoin, [](int second) { return second < 20 ? 0.4 : 1.0; }},
        {"dearer inputs", steady, steadyJoin, [](int second) { return second >= 25 ? 1.0 / 3 : 1.0; }},
        {"small and large pictures in turn",
         {JobPlan::EncodeOnce, h264,
          {{20, "320x240", 8}, {20, "1280x720", 2}, {20, "320x240", 8}, {20, "1280x720", 2}, {20, "320x240", 8},
           {20, "1280x720", 2}}},
         20},
    };
    for (const Case& test : cases) {
        const Readings readings = Drive(test.job, test.joinPerSecond, 0, test.share);
        // The job's own timing says what was left at each second.
        const int seconds = static_cast<int>(readings.remaining.size());
        int held = 0, counted = 0;
        for (int second = seconds / 10 + 1; second <= seconds; ++second) {
            const double left = seconds - second;
            const std::optional<int> shown = readings.remaining[second - 1];
            ++counted;
            held += shown && std::abs(*shown - left) <= std::max(3.0, 0.2 * left);
            if (shown && readings.remaining[second - 2]) {
                EXPECT_LE(*shown - *readings.remaining[second - 2], 3) << test.what << ": rises at " << second;
            }
        }
        EXPECT_GE(held, 0.8 * counted) << test.what << ": " << held << " of " << counted << " readings hold";
    }
}

TEST(EncoderCommandLines, TextsAndArgumentVectors)
{
    const EncoderCommand conversion = ConversionCommand("/v/my \"best\" clip.mpg", "/tmp/j/0.avi", "320:240");
    EXPECT_EQ(conversion.text,
              " \"/v/my \"best\" clip.mpg\" -o \"/tmp/j/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=320:240");
    EXPECT_EQ(conversion.arguments, (QStringList{"-o", "/tmp/j/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                                                 "-vf", "scale=320:240", "--", "/v/my \"best\" clip.mpg"}));

    const EncoderCommand join = JoinCommand({"/t/0.avi", "/t/1.avi"}, "/o/out put.avi",
                                            OptionWords(" -ovc lavc -oac pcm   -srate 44100"));
    EXPECT_EQ(join.text, " \"/t/0.avi\" \"/t/1.avi\" -o \"/o/out put.avi\"  -ovc lavc -oac pcm   -srate 44100");
    EXPECT_EQ(join.arguments, (QStringList{"-o", "/o/out put.avi", "-ovc", "lavc", "-oac", "pcm", "-srate", "44100",
                                           "--", "/t/0.avi", "/t/1.avi"}));
    EXPECT_EQ(IntermediatePath("/t/", 12), "/t/12.avi");
}
