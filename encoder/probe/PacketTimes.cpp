#include "PacketTimes.h"

#include <algorithm>

void PacketTimes::KeepFrom(double from)
{
    const auto kept = std::find_if(packets.begin(), packets.end(), [&](const Packet& packet) { return packet.pts >= from; });
    for (auto packet = packets.begin(); packet != kept; ++packet)
        headSeconds += packet->duration;
    packets.erase(packets.begin(), kept);
}

void PacketTimes::EndBefore(double decoded)
{
    const auto kept = std::remove_if(packets.begin(), packets.end(), [&](const Packet& packet) { return packet.dts >= decoded; });
    count -= static_cast<int>(packets.end() - kept);
    packets.erase(kept, packets.end());
    end = start;
    for (const Packet& packet : packets)
        end = std::max(end, packet.pts + packet.duration);
}

PacketTimes TimesOfPackets(const std::vector<RawPacketTime>& raws, double tick)
{
    PacketTimes times;
    // Decoding times tell steps from reordered frames. Where a stream gives them for
    // some packets only (Matroska's first frames), the others are left out of the
    // steps; where it gives none, a few frames' presentation times may step back, so
    // only a step back of more than a second counts.
    const bool decodingTimes = std::any_of(raws.begin(), raws.end(), [](const RawPacketTime& raw) { return raw.hasDts; });
    const double slack = decodingTimes ? 0 : 0.9;
    bool following = false;
    double lastDecode = 0;
    double lastDuration = 0;
    double offset = 0; // closes up the steps and leaps so far
    double firstDecode = 0;
    // A packet without a presentation time is shown as late after its decoding time
    // as the last one that had both (MPEG program streams give it for key frames only).
    long long reorder = 0;
    for (const RawPacketTime& raw : raws) {
        if (raw.hasPts && raw.hasDts)
            reorder = raw.pts - raw.dts;
        const double pts = (raw.hasPts ? raw.pts : raw.dts + reorder) * tick;
        const double decode = (raw.hasDts ? raw.dts : raw.pts) * tick;
        const double duration = raw.duration * tick;
        if (times.count == 0) {
            times.firstStart = times.start = pts;
            times.firstDuration = duration;
            times.end = pts + duration;
        }
        times.start = std::min(times.start, pts);
        times.end = std::max(times.end, pts + duration);
        ++times.count;
        times.packets.push_back({pts, decode, duration, raw.order});
        if (decodingTimes && !raw.hasDts)
            continue;
        if (!following) {
            following = true;
            firstDecode = decode;
        } else {
            // A step back or a leap is closed up, as a player following the clock would.
            const double step = decode + offset - (lastDecode + lastDuration);
            const double at = lastDecode + lastDuration - firstDecode;
            if (step < -slack && -step - slack > times.stepBack) {
                times.stepBack = -step - slack;
                times.stepBackAt = at;
            } else if (step > times.leap) {
                times.leap = step;
                times.leapAt = at;
            }
            // Reordered frames of MPEG streams may step back a frame or two; only more is a new clock.
            if (step < -0.1 - slack || step > 1)
                offset -= step;
        }
        lastDecode = decode + offset;
        lastDuration = duration;
    }
    return times;
}
