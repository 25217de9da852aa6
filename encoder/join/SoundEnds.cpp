#include "SoundEnds.h"

#include <algorithm>

namespace {

// An argument must stay well under the kernel's limit for one (128 KiB).
constexpr std::size_t kLongestFilter = 100000;

} // namespace

std::optional<std::string> SoundEndsFilter(const std::vector<StreamFacts>& inputs, const std::vector<double>& ends)
{
    std::string ranges;
    long long before = 0; // the sound packets of the inputs before this one
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const StreamFacts& input = inputs[index];
        if (input.audio < 0 || !input.packetsWhole || input.cutAt)
            return std::nullopt;
        const PacketTimes& sound = input.sound;
        if (ends[index] > 0) {
            // Only the packets near the picture's end are kept by name.
            if (sound.packets.empty() || sound.packets.front().pts >= ends[index])
                return std::nullopt;
            const auto from = std::find_if(sound.packets.begin(), sound.packets.end(),
                                           [&](const PacketTimes::Packet& packet) { return packet.pts >= ends[index]; });
            const auto left = static_cast<long long>(sound.packets.end() - from);
            if (left > 0) {
                const long long first = before + sound.count - left;
                // Quoted for the filter's options; its commas escaped for the filter list.
                ranges += (ranges.empty() ? "" : "+") + std::string("between(n\\,") + std::to_string(first) + "\\,"
                    + std::to_string(first + left - 1) + ")";
            }
        }
        before += sound.count;
    }
    if (ranges.empty())
        return std::string();
    if (ranges.size() > kLongestFilter)
        return std::nullopt;
    return "noise=drop='" + ranges + "'";
}
