#pragma once

#include "PacketTimes.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

// A ratio as files keep them: a frame rate of 30000/1001, a pixel shape of 16:15, a time
// base of 1/90000. Zero or negative parts make no ratio.
struct Fraction {
    long long num = 0;
    long long den = 0;

    bool Valid() const { return num > 0 && den > 0; }
    double Value() const { return Valid() ? static_cast<double>(num) / static_cast<double>(den) : 0; }
    std::string Text(char between = '/') const;
    bool operator==(const Fraction&) const = default;
};

// "30000/1001", "16:9" or "25" as a fraction; an invalid one for anything else.
Fraction ParseFraction(std::string_view text);

// A file as it was at one moment: a file replaced by another, or written again, differs.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long changedNanoseconds = 0;

    static FileIdentity Of(const struct stat& file);
    bool operator==(const FileIdentity&) const = default;
};

enum class StreamKind { Video, Audio, Subtitle, Data, Attachment, Other };

// One stream of a file, as libavformat reads it.
struct MediaStream {
    int index = -1;
    StreamKind kind = StreamKind::Other;
    std::string codec;   // libavcodec's name: "h264", "aac"
    std::string profile; // "High", "LC"; empty when the codec has none
    int level = 0;       // as the codec counts it (H.264's 31 is 3.1); 0 when unknown
    std::string headers; // the codec's private data (parameter sets), as stored
    Fraction timeBase;
    double start = 0;     // the first shown time, seconds
    double duration = 0;  // as the file states it, seconds; 0 when it does not
    long long frames = 0; // as the file states it; 0 when it does not
    long long bitRate = 0;
    bool attachedPicture = false; // a cover picture, no video
    bool isDefault = false;
    std::string language;
    std::string title;

    // Pictures.
    int width = 0;
    int height = 0;
    Fraction pixelAspect; // the pixels' shape; invalid when the file says nothing (square)
    std::string pixelFormat;
    Fraction frameRate;        // the base rate (r_frame_rate)
    Fraction averageFrameRate; // frames over time
    // The turn that shows the picture upright, clockwise in degrees: 0, 90, 180 or 270
    // (a phone's portrait clip coded landscape says 90).
    int turn = 0;
    bool interlaced = false;
    // The colour tags in libavutil's names ("bt709", "arib-std-b67", "tv"); empty when unspecified.
    std::string colourMatrix;
    std::string colourPrimaries;
    std::string colourTransfer;
    std::string colourRange;
    // An HDR picture's mastering display and light levels, as x265 takes them
    // ("G(13250,34500)B(...)R(...)WP(...)L(10000000,1)", "1000,400"), the display's peak
    // in cd/m2; empty and 0 where the file says nothing.
    std::string masterDisplay;
    std::string contentLight;
    double masteringPeak = 0;

    // Sound.
    int sampleRate = 0;
    int channels = 0;

    // With the packets read: their times, and what an edit list hides before the shown
    // start (the pictures a cut without encoding keeps for its first key frame).
    PacketTimes packets;
    int hiddenPackets = 0;
    double hiddenSeconds = 0;
    // The presentation time in seconds of every shown packet that has one, in file order,
    // where asked for (MPEG program streams leave it out of some).
    std::vector<double> shownTimes;
    // Where a decoding time first steps back (seconds of the stream's time); nullopt when none does.
    std::optional<double> decodeStepBackAt;
    // Where asked for, the decoding time in seconds from which the stream's end is broken
    // (the file stops in the middle of a packet): the first picture of the last group that
    // does not decode, the first of the sound's last packets that are cut off; none when it ends whole.
    std::optional<double> brokenFrom;

    bool IsVideo() const { return kind == StreamKind::Video && !attachedPicture && width > 0 && height > 0; }
    // The picture's width over its height as shown: its pixels' shape and its turn included.
    double DisplayAspect() const;
};

struct Chapter {
    double start = 0;
    double end = 0;
    std::string title;
};

// What a file holds, read once.
struct MediaFacts {
    std::string path;
    FileIdentity identity;
    std::string formatName; // libavformat's: "mov,mp4,m4a,3gp,3g2,mj2", "avi", "mpegts"
    double start = 0;       // the file's first time, seconds
    double duration = 0;    // as the file states it, seconds; 0 when it does not
    std::map<std::string, std::string> tags;
    std::vector<MediaStream> streams;
    std::vector<Chapter> chapters;
    int video = -1; // the first picture that is no cover
    int audio = -1; // the sound track marked default, else the first
    bool stopped = false; // a stop signal ended the reading; the facts are incomplete

    const MediaStream* Video() const { return video >= 0 ? &streams[video] : nullptr; }
    const MediaStream* Audio() const { return audio >= 0 ? &streams[audio] : nullptr; }
    // An MP4 or QuickTime file, whose packets' times come from its index.
    bool IsQuickTime() const { return formatName.find("mov") != std::string::npos; }
    std::string Tag(const std::string& key) const;
};

// How much of a file to read.
struct MediaRead {
    enum class Packets { None, First, All };
    Packets packets = Packets::None;
    // Keep every shown picture's time (MediaStream::shownTimes), for a check of the output.
    bool shownTimes = false;
    // HEVC keeps a PQ picture's mastering display in its pictures: decode the first one.
    bool firstFrameLight = false;
    // Find where each stream's end is broken (MediaStream::brokenFrom), with all packets read.
    bool brokenEnds = false;
    std::function<void()> onTick; // called now and then while it reads
};

// Reads the file with libavformat in this process. Throws JobError naming the file when
// it is missing, a folder, a pipe or a device, unreadable, empty or not a media file.
MediaFacts ReadMedia(const std::string& path, const MediaRead& read = {});
