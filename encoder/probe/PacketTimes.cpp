#include "PacketTimes.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <utility>

namespace {

// A compact line's fields, "key=value" split at each "|" that no backslash escapes,
// escapes undone. The first field is the section's name.
std::vector<std::pair<std::string, std::string>> Fields(std::string_view line)
{
    std::vector<std::pair<std::string, std::string>> fields;
    std::string field;
    const auto finish = [&] {
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos)
            fields.emplace_back(field, std::string());
        else
            fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
        field.clear();
    };
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            field += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
        } else if (c == '|') {
            finish();
        } else {
            field += c;
        }
    }
    finish();
    return fields;
}

bool Whole(const std::string& text, long long& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// "disposition:attached_pic" as "disposition.attached_pic", "tag:title" as "tags.title".
std::string FlatKey(const std::string& key)
{
    if (key.starts_with("tag:"))
        return "tags." + key.substr(4);
    std::string flat = key;
    std::replace(flat.begin(), flat.end(), ':', '.');
    return flat;
}

// "1/90000" in seconds; 0 when it is no time base.
double TickSeconds(const std::string& timeBase)
{
    const std::size_t slash = timeBase.find('/');
    if (slash == std::string::npos)
        return 0;
    const double num = std::atof(timeBase.c_str());
    const double den = std::atof(timeBase.c_str() + slash + 1);
    return num > 0 && den > 0 ? num / den : 0;
}

} // namespace

void PacketTimes::KeepFrom(double from)
{
    const auto kept = std::find_if(packets.begin(), packets.end(), [&](const Packet& packet) { return packet.pts >= from; });
    for (auto packet = packets.begin(); packet != kept; ++packet)
        headSeconds += packet->duration;
    packets.erase(packets.begin(), kept);
}

void PacketTimesReader::Feed(std::string_view text)
{
    partial_.append(text);
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1)
        TakeLine(std::string_view(partial_).substr(start, end - start));
    partial_.erase(0, start);
}

void PacketTimesReader::TakeLine(std::string_view line)
{
    if (line.starts_with("packet|")) {
        RawPacketTime raw;
        raw.order = order_++;
        int stream = -1;
        for (const auto& [key, value] : Fields(line)) {
            long long number = 0;
            if (!Whole(value, number))
                continue;
            if (key == "stream_index")
                stream = static_cast<int>(number);
            else if (key == "pts")
                raw.pts = number, raw.hasPts = true;
            else if (key == "dts")
                raw.dts = number, raw.hasDts = true;
            else if (key == "duration")
                raw.duration = std::max(0LL, number);
        }
        if (stream >= 0 && (raw.hasPts || raw.hasDts))
            raw_[stream].push_back(raw);
        return;
    }
    const auto fields = Fields(line);
    if (fields.empty())
        return;
    std::string prefix;
    if (fields.front().first == "format") {
        prefix = "format.";
    } else if (fields.front().first == "stream") {
        for (const auto& [key, value] : fields)
            if (key == "index")
                prefix = "streams.stream." + value + ".";
    }
    if (prefix.empty())
        return;
    for (std::size_t i = 1; i < fields.size(); ++i)
        values_[prefix + FlatKey(fields[i].first)] = fields[i].second;
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

void PacketTimesReader::Finish()
{
    if (!partial_.empty())
        TakeLine(partial_);
    partial_.clear();
    for (const auto& [stream, raws] : raw_) {
        const auto base = values_.find("streams.stream." + std::to_string(stream) + ".time_base");
        const double tick = base == values_.end() ? 0 : TickSeconds(base->second);
        if (tick > 0)
            streams_[stream] = TimesOfPackets(raws, tick);
    }
    raw_.clear();
}
