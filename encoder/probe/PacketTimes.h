#pragma once

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
    // In file order: the last ones only, from kKeptSeconds before the picture's end on
    // (a join cuts a file's sound near there); those before are summed in headSeconds.
    std::vector<Packet> packets;
    double headSeconds = 0;
    static constexpr double kKeptSeconds = 10;

    // Leaves out the packets due before `from`, adding their lengths to headSeconds.
    void KeepFrom(double from);
    // Leaves out the packets decoded at or after `decoded`, and ends where the others end.
    void EndBefore(double decoded);
};

// One packet's times as the file gives them, in its stream's time base.
struct RawPacketTime {
    long long pts = 0;
    long long dts = 0;
    long long duration = 0;
    bool hasPts = false;
    bool hasDts = false;
    long order = 0; // the packet's place among all the file's packets
};

// What a stream's packets, in file order, say; tick: the seconds of one step of its time base.
PacketTimes TimesOfPackets(const std::vector<RawPacketTime>& raws, double tick);
