#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "MediaFacts.h"
#include "OutputVerify.h"
#include "PacketTimes.h"
#include "PrivateFolder.h"
#include "Request.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the joins that copy streams need to know of one file: its streams as libavformat
// reads them, its length, its picture's and sound's packet times, and the file as it was
// when read (size and time of change, for CheckUnchanged).
struct StreamFacts {
    InputInfo file;
    MediaFacts media;
    int video = -1; // the first video stream that is no cover picture
    int audio = -1; // the sound track marked default, else the first
    double duration = 0;
    double start = 0;    // the file's first timestamp, in seconds
    PacketTimes picture; // the video stream's packets
    PacketTimes sound;   // the audio stream's packets
    bool packetsWhole = false; // every packet was read, not just the first
    // A file that stops in the middle of a packet (a download cut short) is joined up to the
    // decoding time of its first broken picture or sound packet, in the file's time: a concat
    // list ends all of a file's streams at once. None when both end whole.
    std::optional<double> cutAt;

    const MediaStream& Video() const { return media.streams[video]; }
    // A stream that says nothing when the file has no sound.
    const MediaStream& Audio() const;
    // An MP4 or QuickTime file, whose packets' times come from its index.
    bool IsQuickTime() const { return media.IsQuickTime(); }
};

// How much of each file's packets is read: the first few (enough for the sound's first
// packet, and the pictures an edit list hides), or all of them, their timestamps only but
// for the last few, decoded to find an end cut off, or all but in MP4 and QuickTime files,
// whose timestamps come from their index and so run on.
enum class PacketsRead { First, All, AllButIndexed };

// Reads every file, in order. Throws JobError naming the first file that cannot be read.
// Stopped by a stop signal, it gives what it has.
std::vector<StreamFacts> ProbeStreams(const std::vector<std::string>& paths, const std::function<void()>& onTick,
                                      PacketsRead packets = PacketsRead::First);

// One file of a concat list. With a length, the next file starts that long after this
// one's start; with an end, this file's packets from there on are left out.
struct ConcatEntry {
    std::string path;
    double length = 0; // seconds; 0: the file's own
    double end = 0;    // in the file's time; 0: none
    std::optional<double> inpoint; // in the file's time, where its stretch starts; none: its first packet
};

// The concat demuxer's list of the files, by absolute name. A name that the list cannot
// hold (a line break or another control character in it) is listed as a link of a plain
// name in `links`, which must outlive the run that reads the list.
std::string ConcatList(const std::vector<ConcatEntry>& entries, PrivateFolder& links);

// ffmpeg's first arguments for a join, reporting its progress to its stdout.
std::vector<std::string> JoinHead();

// An input of ffmpeg: the files of the concat list at listPath, one after another,
// their packets unchanged.
std::vector<std::string> ConcatInput(const std::string& listPath);

// The bitstream filters that put the codec's headers into the stream before each key
// frame, for an output container that keeps none of its own (AVI, MPEG, ASF), when the
// first input's container kept them apart (MP4, QuickTime, Matroska, FLV).
std::vector<std::string> HeaderFilters(Container output, const StreamFacts& first);

// Says that a stop signal ended the run and gives the exit code for it.
int StoppedJoin(const Request& request);

// Runs the ffmpeg that buildArgs(listPaths, target) gives, with the concat lists (and any
// other text the run reads, as its chapters) readable at listPaths and the output written through a TempOutput at target, then checks the
// output and gives it its name, as every run does.
using JoinArguments =
    std::function<std::vector<std::string>(const std::vector<std::string>&, const std::string&)>;
// kept: the tracks the output keeps beside the picture and the first sound, for its check.
int RunJoin(const Request& request, const std::vector<StreamFacts>& inputs,
            const std::vector<std::string>& concatLists, const JoinArguments& buildArgs, const KeptPromise& kept = {});
