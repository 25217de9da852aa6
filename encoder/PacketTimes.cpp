#include "PacketTimes.h"

#include <algorithm>
#include <cstdlib>

namespace {

// "1.234000" as seconds; false for "N/A" or nothing.
bool Seconds(const std::string& text, double& seconds)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

} // namespace

void PacketTimesReader::Feed(std::string_view text)
{
    partial_.append(text);
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1)
        TakeLine(std::string_view(partial_).substr(start, end - start));
    partial_.erase(0, start);
}

void PacketTimesReader::Finish()
{
    if (!partial_.empty())
        TakeLine(partial_);
    partial_.clear();
    FinishPacket();
}

void PacketTimesReader::TakeLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view key = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    constexpr std::string_view packetPrefix = "packets.packet.";
    if (!key.starts_with(packetPrefix)) {
        values_[std::string(key)] = std::string(value);
        return;
    }
    const std::string_view rest = key.substr(packetPrefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos)
        return;
    if (rest.substr(0, dot) != packet_) {
        FinishPacket();
        packet_ = std::string(rest.substr(0, dot));
    }
    const std::string_view field = rest.substr(dot + 1);
    if (field == "stream_index")
        stream_ = std::atoi(std::string(value).c_str());
    else if (field == "pts_time")
        pts_ = value;
    else if (field == "dts_time")
        dts_ = value;
    else if (field == "duration_time")
        duration_ = value;
}

void PacketTimesReader::FinishPacket()
{
    double pts = 0;
    double dts = 0;
    double duration = 0;
    const bool hasPts = Seconds(pts_, pts);
    const bool hasDts = Seconds(dts_, dts);
    if (!Seconds(duration_, duration) || duration < 0)
        duration = 0;
    const int stream = stream_;
    stream_ = -1;
    pts_.clear();
    dts_.clear();
    duration_.clear();
    if (stream < 0 || (!hasPts && !hasDts))
        return;
    if (!hasPts)
        pts = dts;
    const double decode = hasDts ? dts : pts;

    PacketTimes& times = streams_[stream];
    Following& follow = following_[stream];
    if (!follow.started) {
        follow.started = true;
        follow.firstDecode = decode;
        times.firstStart = times.start = pts;
        times.firstDuration = duration;
        times.end = pts + duration;
    } else {
        // A step back or a leap is closed up, as a player following the clock would.
        const double step = decode + follow.offset - (follow.lastDecode + follow.lastDuration);
        const double at = follow.lastDecode + follow.lastDuration - follow.firstDecode;
        if (step < 0 && -step > times.stepBack) {
            times.stepBack = -step;
            times.stepBackAt = at;
        } else if (step > times.leap) {
            times.leap = step;
            times.leapAt = at;
        }
        // Reordered frames of MPEG streams may step back a frame or two; only more is a new clock.
        if (step < -0.1 || step > 1)
            follow.offset -= step;
        times.start = std::min(times.start, pts);
        times.end = std::max(times.end, pts + duration);
    }
    follow.lastDecode = decode + follow.offset;
    follow.lastDuration = duration;
    ++times.count;
    times.packets.push_back({pts, decode, duration, order_++});
}
