#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// What one stream's packet timestamps say, read in file order, without decoding: where
// the stream starts and ends, and where its timestamps step back or leap forward (a
// clock that starts again when two files were joined end to end, or a hole).
struct PacketTimes {
    int count = 0;
    double firstStart = 0;    // the first packet's presentation time, seconds
    double firstDuration = 0; // the first packet's length, 0 when unknown
    double start = 0;         // the earliest presentation time
    double end = 0;           // the latest presentation time plus its packet's length
    // The largest step back and leap forward of the decoding times, from one packet's
    // end to the next packet, and where each happened: seconds of the stream as played
    // with every step and leap closed up, counted from its first packet.
    double stepBack = 0;
    double stepBackAt = 0;
    double leap = 0;
    double leapAt = 0;
    struct Packet {
        double pts = 0;
        double dts = 0;
        double duration = 0;
        long order = 0; // the packet's place among all the file's packets
    };
    std::vector<Packet> packets; // in file order
};

// Reads ffprobe's "-of flat" text piece by piece: the packets' lines (pts_time, dts_time,
// duration_time, stream_index) are folded into each stream's PacketTimes as they come;
// every other line is kept as a key/value pair, quotes removed.
class PacketTimesReader {
public:
    void Feed(std::string_view text);
    // Ends the text: takes its last line and packet.
    void Finish();

    std::map<std::string, std::string>& values() { return values_; }
    std::map<int, PacketTimes>& streams() { return streams_; }

private:
    struct Following {
        bool started = false;
        double lastDecode = 0;
        double lastDuration = 0;
        double offset = 0; // closes up the steps and leaps so far
        double firstDecode = 0;
    };

    void TakeLine(std::string_view line);
    void FinishPacket();

    std::string partial_;
    std::map<std::string, std::string> values_;
    std::map<int, PacketTimes> streams_;
    std::map<int, Following> following_;
    std::string packet_;
    int stream_ = -1;
    std::string pts_;
    std::string dts_;
    std::string duration_;
    long order_ = 0;
};
