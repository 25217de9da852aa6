#include "AviSoundCuts.h"

#include <algorithm>
#include <cmath>

namespace {

// A cut of the concat demuxer ends the whole file at its first packet, of any stream
// and in file order, that is due at or after the cut. The sound packets before that
// packet and before the cut are kept.
class KeptSound {
public:
    explicit KeptSound(const StreamFacts& input)
        : input_(input)
    {
        double sum = input.sound.headSeconds;
        sums_.push_back(sum);
        for (const PacketTimes::Packet& packet : input.sound.packets)
            sums_.push_back(sum += packet.duration);
    }

    // The length of the sound kept by a cut before sound packet `kept` (none when kept is their number).
    double Seconds(std::size_t kept, double cut) const
    {
        const auto& sound = input_.sound.packets;
        if (kept < sound.size()) {
            const auto& frames = input_.picture.packets;
            const auto frame = std::lower_bound(frames.begin(), frames.end(), cut,
                                                [](const PacketTimes::Packet& p, double t) { return p.dts < t; });
            if (frame != frames.end()) {
                const auto before = std::lower_bound(sound.begin(), sound.begin() + kept, frame->order,
                                                     [](const PacketTimes::Packet& p, long o) { return p.order < o; });
                kept = static_cast<std::size_t>(before - sound.begin());
            }
        }
        return sums_[kept];
    }

private:
    const StreamFacts& input_;
    std::vector<double> sums_;
};

// Just before the packet's time, so that rounding cannot keep it.
double CutBefore(const PacketTimes::Packet& packet)
{
    return packet.pts - 0.0001;
}

} // namespace

std::optional<std::vector<double>> AviSoundCuts(const std::vector<StreamFacts>& inputs)
{
    std::vector<double> cuts;
    if (inputs.empty() || inputs.front().audio < 0)
        return std::vector<double>(inputs.size(), 0);
    // The first input's sound is heard this much after its place: its priming and its own start.
    const double offset = inputs.front().start - inputs.front().sound.firstStart;
    double picture = 0; // where, in the output, each input's own start time falls
    double sound = 0;   // how much sound the output holds so far
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const StreamFacts& input = inputs[i];
        const auto& packets = input.sound.packets;
        picture += input.picture.end - input.start;
        // The sound ought to end where the next input's first sound packet is due.
        const double next = i + 1 < inputs.size() ? inputs[i + 1].sound.firstStart - inputs[i + 1].start : 0;
        const double target = picture + next + offset;
        const KeptSound kept(input);
        std::size_t best = packets.size();
        double bestSeconds = kept.Seconds(best, 0);
        for (std::size_t count = packets.size(); count-- > 0;) {
            const double seconds = kept.Seconds(count, CutBefore(packets[count]));
            if (std::fabs(sound + seconds - target) < std::fabs(sound + bestSeconds - target)) {
                best = count;
                bestSeconds = seconds;
            }
            if (sound + seconds < target - 2 * kJointSeconds)
                break;
        }
        sound += bestSeconds;
        if (std::fabs(sound - target) > kJointSeconds && i + 1 < inputs.size())
            return std::nullopt;
        cuts.push_back(best < packets.size() ? CutBefore(packets[best]) : 0);
    }
    return cuts;
}
