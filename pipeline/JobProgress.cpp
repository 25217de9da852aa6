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
// The conversions decode their inputs and encode the frame size: decoding an input of k
// times the frame size's pixels costs ConversionDecodeShare * k of an MPEG-4 encoding of the
// frame size (whose cost against the conversions is the MPEG-4 join's). From the H.264 join
// of the 20 s 640x360 and the 90 s 1280x720 sets at 640x480, on a quiet machine with the
// conversions' colour-exact scaling: 5.8 and 1.8 times the conversions.
constexpr double ConversionDecodeShare = 4.3;
constexpr double Mpeg4EncodeCost = 1.6;
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
// Seconds of the join's own work after which the rate is the join's own: its weight is a
// guess made on another machine at another load, its own rate is measured.
constexpr double OwnJoinRateSeconds = 4;
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

double EncodingCost(const QStringList& joinArguments)
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

StageCosts CostsOf(JobPlan plan, bool convertsFirst, double playSeconds, double convertWork,
                   const QStringList& joinArguments)
{
    if (!convertsFirst)
        return {0, playSeconds, 1};
    if (plan == JobPlan::EncodeOnce)
        return {convertWork, playSeconds, PieceJoinCost};
    return {convertWork, playSeconds, EncodingCost(joinArguments)};
}

namespace {

// "640:480" or "640x480"; nothing where it is no size.
encoderlines::Picture PictureOf(const QString& text)
{
    const QStringList parts = text.split(QRegularExpression("[x:]"));
    if (parts.size() != 2)
        return {};
    const int width = parts[0].toInt(), height = parts[1].toInt();
    return width > 0 && height > 0 ? encoderlines::Picture{width, height} : encoderlines::Picture{};
}

double PixelsOf(encoderlines::Picture picture)
{
    return double(picture.width) * picture.height;
}

}

ConversionWeights::ConversionWeights(JobPlan plan, const QString& frameSize, const QStringList& joinArguments)
    : m_frame(PictureOf(frameSize))
    // The intermediate files are MPEG-4; a job encoded once converts into the output's codec.
    , m_decodeShare(ConversionDecodeShare * Mpeg4EncodeCost
                    / (plan == JobPlan::EncodeOnce ? EncodingCost(joinArguments) : Mpeg4EncodeCost))
{
}

double ConversionWeights::of(const QString& sizeText) const
{
    const double input = PixelsOf(PictureOf(sizeText));
    if (input <= 0 || PixelsOf(m_frame) <= 0)
        return 1;
    return (1 + m_decodeShare * input / PixelsOf(m_frame)) / (1 + m_decodeShare);
}

double WeighedWork(const QList<double>& lengths, const QList<double>& weights, double position)
{
    double work = 0, before = 0;
    for (qsizetype member = 0; member < lengths.size() && position > before; ++member) {
        const double length = std::max(0.0, lengths[member]);
        work += weights[member] * std::min(position - before, length);
        before += length;
    }
    return work;
}

JobProgress::JobProgress(StageCosts costs)
    : m_costs(costs)
    , m_samples{{0, 0}}
{
}

void JobProgress::tellStep(encoderlines::Step step)
{
    // The join's encoding shows in its positions.
    if (!m_joinStep)
        return;
    if (step == encoderlines::Step::Reading)
        setJoinStep(JoinStep::Reading);
    else if (step == encoderlines::Step::Checking)
        setJoinStep(JoinStep::Checking);
}

double JobProgress::done() const
{
    return std::clamp(m_converted, 0.0, m_costs.convertWork)
        + m_costs.joinCost * std::clamp(m_joined, 0.0, m_costs.joinSeconds);
}

double JobProgress::work() const
{
    return m_costs.convertWork + m_costs.joinCost * m_costs.joinSeconds;
}

void JobProgress::setConverted(double work)
{
    m_converted = work;
    moved();
}

void JobProgress::setJoined(double position)
{
    // The join starts once every conversion has ended: whatever they told, they are done.
    m_converted = m_costs.convertWork;
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
    m_converted = m_costs.convertWork;
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
    // Once the join has worked a few seconds, its own rate tells its cost better than the
    // weight it was given; it is counted from its first position, after its start.
    if (!m_joinTick && m_joined > 0)
        m_joinTick = now;
    if (m_joinTick && now - *m_joinTick >= OwnJoinRateSeconds) {
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
