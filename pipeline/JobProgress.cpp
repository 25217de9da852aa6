#include "pipeline/JobProgress.h"

#include "pipeline/ProgressBars.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The join's wall time per second of play against the conversion stage's, as measured
// with bench/progress on six 20 s and six 90 s 720p inputs: a join that copies the pictures
// and encodes the sound once is cheap. The rate learned while the job runs corrects it.
constexpr double PieceJoinCost = 0.14;

// A join that encodes the intermediate files again costs what its codec costs against the
// conversions (MPEG-4, two side by side), measured with bench/progress/joincost.sh on six
// 20 s inputs of the frame size at 320x240 and 640x480, where the frame size changed it
// less than the machine's other work did.
struct JoinCodecCost {
    const char* codec;
    double cost;
};
constexpr JoinCodecCost JoinCodecCosts[] = {
    {"h264", 5.5}, {"hevc", 12}, {"vp9", 14}, {"mpeg4", 1.6}, {"flv", 1.6},
    {"wmv2", 2}, {"mpeg1video", 1.6}, {"mpeg2video", 2.1},
};
// A codec not measured: as the dearer of the plain ones.
constexpr double OtherCodecJoinCost = 2.4;
// A conversion decodes its input and encodes the frame size: an input of k times the frame
// size's pixels costs (1 + ConversionDecodeShare * k) / (1 + ConversionDecodeShare) times
// one of the frame size, so the join costs that much less against it. From the H.264 join
// of the 20 s 640x360 and the 90 s 1280x720 sets at 640x480, on a quiet machine with
// the conversions' colour-exact scaling: 5.8 and 1.8 times the conversions.
constexpr double ConversionDecodeShare = 4.3;

// The rate is the work of the last seconds: a quarter of the job so far, from six to
// twenty seconds: long enough to smooth the runs' starts and the encoder's silent first
// reads, short enough to follow a machine whose other work starts or stops and a stage
// that costs more or less than it was weighed.
constexpr double ShortestRateWindow = 6;
constexpr double LongestRateWindow = 20;
// Ticks in a row with an estimate well above the shown time before the shown time rises,
// and the most it rises at a tick: a jump would say more than one reading knows.
constexpr int TicksBeforeRising = 3;
constexpr int MostRiseAtATick = 3;
// The share of the join's work after which the rate is the join's own: a join of pieces
// goes slower at its start than at its end; one that encodes goes at one rate, which the
// machine's other work changes more than the weight foresees.
constexpr double OwnPieceJoinRateShare = 0.5;
constexpr double OwnEncodingJoinRateShare = 0.15;
// Fewer seconds of work than this give no rate yet.
constexpr double FirstRateSeconds = 2;

// The value of "name=" in the join's options ("vcodec=h264:vbitrate=1800").
QString OptionValue(const QStringList& arguments, const QString& name)
{
    const QRegularExpression value("(?:^|:)" + QRegularExpression::escape(name) + "=([^:]+)");
    for (const QString& argument : arguments) {
        const QRegularExpressionMatch match = value.match(argument);
        if (match.hasMatch())
            return match.captured(1);
    }
    return {};
}

double EncodingJoinCost(const QStringList& joinArguments)
{
    QString codec = OptionValue(joinArguments, "vcodec");
    codec = codec == "libx264" ? "h264" : codec == "libx265" ? "hevc" : codec == "libvpx-vp9" ? "vp9" : codec;
    for (const JoinCodecCost& cost : JoinCodecCosts) {
        if (codec == cost.codec)
            return cost.cost;
    }
    return OtherCodecJoinCost;
}

}

StageCosts CostsOf(JobPlan plan, bool convertsFirst, double playSeconds, const QStringList& joinArguments)
{
    if (!convertsFirst)
        return {0, playSeconds, 1};
    if (plan == JobPlan::EncodeOnce)
        return {playSeconds, playSeconds, PieceJoinCost};
    return {playSeconds, playSeconds, EncodingJoinCost(joinArguments)};
}

JobProgress::JobProgress(StageCosts costs)
    : m_costs(costs)
    , m_samples{{0, 0}}
    , m_measuredJoinCost(costs.joinCost)
{
}

void JobProgress::tellStep(encoderlines::Step step, encoderlines::Picture from, encoderlines::Picture to)
{
    // The join's encoding shows in its positions.
    if (m_joinStep) {
        if (step == encoderlines::Step::Reading)
            setJoinStep(JoinStep::Reading);
        else if (step == encoderlines::Step::Checking)
            setJoinStep(JoinStep::Checking);
        return;
    }
    const double output = double(to.width) * to.height;
    // Only an encoding join is weighed against the conversions' pictures.
    if (step != encoderlines::Step::Encoding || output <= 0 || m_costs.convertSeconds <= 0
        || m_measuredJoinCost <= PieceJoinCost)
        return;
    m_pictureRatios += double(from.width) * from.height / output;
    ++m_conversionsTold;
    m_costs.joinCost = m_measuredJoinCost * (1 + ConversionDecodeShare)
        / (1 + ConversionDecodeShare * m_pictureRatios / m_conversionsTold);
}

double JobProgress::done() const
{
    return std::clamp(m_converted, 0.0, m_costs.convertSeconds)
        + m_costs.joinCost * std::clamp(m_joined, 0.0, m_costs.joinSeconds);
}

double JobProgress::work() const
{
    return m_costs.convertSeconds + m_costs.joinCost * m_costs.joinSeconds;
}

void JobProgress::setConverted(double seconds)
{
    m_converted = seconds;
    moved();
}

void JobProgress::setJoined(double position)
{
    // The join starts once every conversion has ended: whatever they told, they are done.
    m_converted = m_costs.convertSeconds;
    // The join encodes while its position moves, whatever step was told last (an encoder
    // that tells no steps, a run that encodes some inputs before its join).
    if (position > m_joined && m_joinStep != JoinStep::Checking)
        m_joinStep = JoinStep::Encoding;
    m_joined = std::max(m_joined, position);
    moved();
}

void JobProgress::setJoinStep(JoinStep step)
{
    m_joinStep = step;
}

bool JobProgress::joinIsSilent() const
{
    return m_joinStep && *m_joinStep != JoinStep::Encoding && m_total < 100;
}

void JobProgress::moved()
{
    // The bar never goes back: a run that ends short of its file's length is counted whole.
    if (work() > 0)
        m_total = std::max(m_total, static_cast<int>(std::min(99.0, RoundHalfEven(done() / work() * 100))));
}

void JobProgress::finish()
{
    m_converted = m_costs.convertSeconds;
    m_joined = m_costs.joinSeconds;
    m_total = 100;
    m_shown = 0;
}

int JobProgress::total() const
{
    return m_total;
}

std::optional<double> JobProgress::estimate(double now) const
{
    const Sample& since = m_samples.front();
    const double span = now - since.at;
    const double worked = done() - since.done;
    if (span < FirstRateSeconds || worked <= 0)
        return std::nullopt;
    return std::max(0.0, work() - done()) / (worked / span);
}

std::optional<int> JobProgress::tick(double wallClock)
{
    const double elapsed = wallClock - m_lastTick;
    m_lastTick = wallClock;
    if (joinIsSilent()) {
        // The join starts, reads its inputs or checks its output: the time passes as the
        // shown time says, and the positions stand still for a reason that is no rate.
        m_silentSeconds += elapsed;
        if (m_shown) {
            m_shownExactly = std::max(std::min(m_shownExactly, 1.0), m_shownExactly - elapsed);
            m_shown = static_cast<int>(RoundHalfEven(m_shownExactly));
        }
        return m_shown;
    }
    const double now = wallClock - m_silentSeconds;
    const bool worked = done() > m_doneAtLastTick;
    m_doneAtLastTick = done();
    m_samples.push_back({now, done()});
    const double window = std::clamp(now / 4, ShortestRateWindow, LongestRateWindow);
    while (m_samples.size() > 2 && m_samples[1].at <= now - window)
        m_samples.pop_front();
    // Once the join has done a share of its work, its own rate tells its cost better than
    // the weight it was given; it is counted from its first position, after its start.
    if (!m_joinTick && m_joined > 0)
        m_joinTick = now;
    const double ownRateShare = m_costs.joinCost > PieceJoinCost ? OwnEncodingJoinRateShare : OwnPieceJoinRateShare;
    if (m_joinTick && m_joined >= ownRateShare * m_costs.joinSeconds && now - *m_joinTick >= FirstRateSeconds) {
        while (m_samples.size() > 2 && m_samples.front().at < *m_joinTick)
            m_samples.pop_front();
    }
    if (done() >= work()) {
        m_shown = 0;
        m_shownExactly = 0;
        return m_shown;
    }
    const std::optional<double> estimated = estimate(now);
    if (!estimated)
        return m_shown;
    const int next = static_cast<int>(RoundHalfEven(*estimated));
    // A little more than shown is the rate's noise, and a pause while a run starts (its
    // probing, its first reads) says nothing of the rate; well more for several ticks of
    // work is work that slowed down.
    const bool wellMore = m_shown && next > *m_shown + std::max(3.0, 0.2 * *m_shown);
    m_ticksWellMore = !wellMore ? 0 : m_ticksWellMore + (worked ? 1 : 0);
    if (!m_shown || next <= *m_shown || m_ticksWellMore >= TicksBeforeRising) {
        m_shown = m_shown && next > *m_shown ? std::min(next, *m_shown + MostRiseAtATick) : next;
        m_shownExactly = *m_shown;
        // Still rising: the next tick may rise on.
        m_ticksWellMore = *m_shown < next ? m_ticksWellMore : 0;
    }
    return m_shown;
}
