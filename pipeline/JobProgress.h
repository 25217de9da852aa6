#pragma once

#include "protocol/EncoderLines.h"

#include "pipeline/JobPlan.h"

#include <QStringList>

#include <deque>
#include <optional>

// How much a job's stages cost against each other, in the work of converting a second of
// an input of the frame size: the conversions' work (each input's seconds weighed by its
// picture), and the join's play seconds at joinCost each, the join's wall time per second
// of play against such a conversion's (its runs side by side). Only the weights against
// each other count: the rate of the work learns what a unit costs on this machine now.
struct StageCosts {
    double convertWork = 0; // 0: the join reads the inputs themselves, nothing is converted
    double joinSeconds = 0;
    double joinCost = 1;
};

// The costs of a job of this plan over these seconds of play whose conversions weigh
// convertWork; convertsFirst is false for a join of the inputs as they are. The join's
// arguments say what it encodes into.
StageCosts CostsOf(JobPlan plan, bool convertsFirst, double playSeconds, double convertWork,
                   const QStringList& joinArguments = {});

// What a second of an input costs to convert into pictures of the frame size, against a
// second of an input of the frame size: its decoding grows with its pixels, the encoding
// is the frame's, and a dearer codec leaves the decoding a smaller share.
class ConversionWeights {
public:
    ConversionWeights() = default;
    // frameSize as the conversions scale to ("640:480"); empty when they keep the pictures.
    ConversionWeights(JobPlan plan, const QString& frameSize, const QStringList& joinArguments);
    // sizeText as the list shows an input's picture ("1280x720"); 1 when either is not known.
    double of(const QString& sizeText) const;

private:
    encoderlines::Picture m_frame;
    double m_decodeShare = 0;
};

// The work done `position` seconds into a run over inputs of these lengths (-1: not known)
// and weights.
double WeighedWork(const QList<double>& lengths, const QList<double>& weights, double position);

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

    // The conversions' work done so far, the runs side by side counted together.
    void setConverted(double work);
    // The join's position in play seconds.
    void setJoined(double position);
    // The step the join's run has come to; a join begins at Starting.
    void setJoinStep(JoinStep step);
    // A step an encoder run told (reading, encoding, checking): the join's once it has
    // started; a conversion's say nothing the weights do not.
    void tellStep(encoderlines::Step step);
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
    // The clock as the rate sees it: without the join's silent steps, whose length says
    // nothing of the rate of its work.
    double m_lastTick = 0;
    double m_silentSeconds = 0;
    double m_shownExactly = 0; // the shown time as it counts down through a silent step
};
