#pragma once

#include "MediaFacts.h"

#include <functional>
#include <string>
#include <vector>

// One sound track of an input, as the output names it.
struct SoundTrack {
    int stream = -1; // absolute stream index
    std::string language;
    std::string title;
    bool isDefault = false;
};

// What the join needs to know of one input.
struct InputInfo {
    std::string path;
    std::string name; // what messages call it (SourceFacts.h); empty: its path
    int videoStream = -1; // absolute stream index
    int audioStream = -1; // -1: no audio
    int width = 0;
    int height = 0;
    double sampleAspect = 1;
    double frameRate = 25;
    // The input's span in the output: from `start` (seconds after the file's first
    // timestamp, as ffmpeg's filters see it) for `duration` seconds, to its picture's end.
    double start = 0;
    double duration = 0; // 0 when the file does not say
    double fileStart = 0; // the file's first timestamp, seconds
    int sampleRate = 0;
    int channels = 0;
    // An intermediate file of this job keeps the sound that its encoder's priming covers
    // in a short PCM track of its own (titled kLeadInTitle, its length and the job's
    // mark): its stream and length. A track of another mark is an ordinary sound track.
    int leadInStream = -1;
    long leadInSamples = 0;
    bool quarterTurn = false; // shown turned a quarter either way (phone videos)
    bool interlaced = false;
    // The length the file's header states (its picture's, else its own), and how much of
    // it the packets give; 0 when unknown. A file cut short gives less.
    double statedDuration = 0;
    double readDuration = 0;
    std::vector<std::string> unusedSoundTracks; // named for the user: place, language, title
    // Every usable sound track: the one joined first (audioStream), then the others in the
    // file's order; a lead-in track is none of them.
    std::vector<SoundTrack> soundTracks;
    int subtitleTracks = 0;
    int attachments = 0; // attached files and cover pictures
    int subtitleStream = -1; // the first subtitle track
    std::string subtitleCodec;
    std::vector<std::pair<int, std::string>> attachedFiles; // stream and content of each (fonts)
    int coverStream = -1; // the first cover picture
    int streamCount = 0;
    // The file as it was when probed: size and last change, and which file it was (0: not known).
    long long size = 0;
    long long changedNanoseconds = 0;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    // The picture's colour as the file tags it, in ffprobe's words ("bt709", "tv",
    // "arib-std-b67"); empty where the file says nothing.
    std::string colourMatrix;
    std::string colourPrimaries;
    std::string colourTransfer;
    std::string colourRange;
    std::string pixelFormat;
    // The mastering display and light levels of an HDR picture, as x265 takes them
    // ("G(13250,34500)B(...)R(...)WP(...)L(10000000,1)" and "1000,400"), and the display's
    // peak in cd/m2; empty and 0 when unknown.
    std::string masterDisplay;
    std::string contentLight;
    double masteringPeak = 0;
};

// The title that marks a lead-in track, followed by its length in samples and the job's mark.
constexpr const char* kLeadInTitle = "velmo lead-in ";

// ffmpeg closes up timestamp jumps in MPEG program and transport streams (ffprobe's
// format names "mpeg" and "mpegts", whose time base is 1/90000): a step back of more than
// a tenth of a second, or a step either way of more than this many seconds.
constexpr int kTimestampJumpSeconds = 10;
bool FollowsTimestampJumps(const std::string& formatName);

// Where the stream's packets end (the latest presentation time plus its packet's length),
// in seconds; with followJumps, the timestamps followed through their jumps as ffmpeg
// follows them in MPEG program and transport streams: each jump closed up, so that the end
// is where the packets end when played one after another.
double PacketsEnd(const PacketTimes& times, bool followJumps);

// The streams and the span of a file read with its packets (without them, its header's
// length is all there is). Of several sound tracks the one marked default is used, else the
// first. A lead-in track is one only with the job's mark. Throws JobError naming the file
// when it holds no video.
InputInfo InputInfoFromFacts(const MediaFacts& facts, const std::string& mark = {});

// "b.mp4 ends early: 1.8 s of its 3.0 s could be read" when the input's picture ends more
// than a second before its stated length (a file cut short); empty otherwise.
std::string EndsEarlyNote(const InputInfo& input);

// The input's picture as shown: width over height, its pixels' shape and turn included.
double DisplayAspect(const InputInfo& input);

// Reads the file with its packets (ReadMedia). Throws JobError naming the file: missing,
// a folder, unreadable, empty, not a media file, no video.
// mark: the job's, which a lead-in track must carry.
InputInfo ProbeInput(const std::string& path, const std::function<void()>& onTick, const std::string& mark = {});

// Throws JobError naming the file when it is no longer the file that was probed (another
// file put in its place, or its size or its time of change differ): what was made from it
// may lack what was probed.
void CheckUnchanged(const InputInfo& input);

// A path as ffmpeg's file protocol reads it, so that no name is taken for a protocol or option.
std::string FileUrl(const std::string& path);
