#pragma once

#include "protocol/EncoderLines.h"

#include "pipeline/JobPlan.h"

#include <QStringList>

#include <deque>
#include <optional>

// How much a job's stages cost against each other: the total bar and the remaining time
// count the conversions' play seconds at 1 and the join's at joinCost, the join's wall time
// per second of play against the whole conversion stage's (its runs side by side).
struct StageCosts {
    double convertSeconds = 0; // 0: the join reads the inputs themselves, nothing is converted
    double joinSeconds = 0;
    double joinCost = 1;
};

// The costs of a job of this plan over these seconds of play; convertsFirst is false for a
// join of the inputs as they are. The join's arguments say what it encodes into.
StageCosts CostsOf(JobPlan plan, bool convertsFirst, double playSeconds, const QStringList& joinArguments = {});

// What the join's encoder run is doing: while it starts (until its first position comes),
// reads its inputs and checks what it wrote the positions stand still; only while it
// encodes do they move.
enum class JoinStep { Starting, Reading, Encoding, Checking };

// The whole job's progress and the time it still takes, from the positions the encoder
// runs tell. The remaining time divides the work left by the rate of the last seconds'
// work, so it follows a machine that gets busier or freer and a stage weighed wrong; it
// rises only when the work has clearly slowed down, then by at most 3 s a tick, and it is
// 0 when nothing is left.
class JobProgress {
public:
    JobProgress() = default;
    explicit JobProgress(StageCosts costs);

    // Play seconds converted so far, the runs side by side counted together.
    void setConverted(double seconds);
    // The join's position in play seconds.
    void setJoined(double position);
    // The step the join's run has come to; a join begins at Starting.
    void setJoinStep(JoinStep step);
    // A step an encoder run told (reading, encoding from and to pictures, checking): the
    // join's, once it has started, else a conversion's, whose pictures weigh the join.
    void tellStep(encoderlines::Step step, encoderlines::Picture from = {}, encoderlines::Picture to = {});
    // The job has written its output: nothing is left, whatever the positions said.
    void finish();
    // The total bar, 0 to 99 while work is left: 100 is the finished job's alone.
    int total() const;

    // One tick of the clock, `wallClock` seconds after the job started: the remaining
    // seconds to show, or nothing while no work has been seen to go on.
    std::optional<int> tick(double wallClock);

private:
    void moved();
    double done() const;
    double work() const;
    std::optional<double> estimate(double now) const;
    bool joinIsSilent() const;

    struct Sample {
        double at;
        double done;
    };
    StageCosts m_costs;
    double m_converted = 0;
    double m_joined = 0;
    int m_total = 0;
    std::deque<Sample> m_samples;
    std::optional<int> m_shown;
    int m_ticksWellMore = 0;
    double m_doneAtLastTick = 0;
    std::optional<double> m_joinTick; // the first tick with the join's progress
    std::optional<JoinStep> m_joinStep; // none before the join starts
    double m_measuredJoinCost = 0; // the join's cost for conversions that read pictures of the frame size
    double m_pictureRatios = 0; // the conversions' input pixels over output pixels, summed
    int m_conversionsTold = 0;
    // The clock as the rate sees it: without the join's silent steps, whose length says
    // nothing of the rate of its work.
    double m_lastTick = 0;
    double m_silentSeconds = 0;
    double m_shownExactly = 0; // the shown time as it counts down through a silent step
};
