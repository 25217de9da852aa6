#include "InputProbe.h"
#include "JobError.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

namespace {

MediaStream Picture(int index, int width, int height)
{
    MediaStream stream;
    stream.index = index;
    stream.kind = StreamKind::Video;
    stream.width = width;
    stream.height = height;
    return stream;
}

MediaStream Sound(int index, int rate, int channels, bool isDefault = false)
{
    MediaStream stream;
    stream.index = index;
    stream.kind = StreamKind::Audio;
    stream.sampleRate = rate;
    stream.channels = channels;
    stream.isDefault = isDefault;
    return stream;
}

MediaFacts FactsOf(const std::string& path, std::vector<MediaStream> streams, double duration = 0)
{
    MediaFacts facts;
    facts.path = path;
    facts.duration = duration;
    facts.streams = std::move(streams);
    for (const MediaStream& stream : facts.streams)
        if (stream.IsVideo() && facts.video < 0)
            facts.video = stream.index;
    return facts;
}

constexpr long long kNone = LLONG_MIN;

// Packets of one stream at 90 kHz, each with its presentation and decoding time (kNone: none).
PacketTimes Packets(const std::vector<std::pair<long long, long long>>& times, long long duration)
{
    std::vector<RawPacketTime> raws;
    for (const auto& [pts, dts] : times)
        raws.push_back({pts == kNone ? 0 : pts, dts == kNone ? 0 : dts, duration, pts != kNone, dts != kNone,
                        static_cast<long>(raws.size())});
    return TimesOfPackets(raws, 1.0 / 90000);
}

} // namespace

TEST(InputProbeTest, ReadsStreamsFromFacts)
{
    MediaStream picture = Picture(1, 720, 576);
    picture.pixelAspect = ParseFraction("64:45");
    picture.frameRate = ParseFraction("25/1");
    picture.averageFrameRate = ParseFraction("0/0");
    const InputInfo info = InputInfoFromFacts(FactsOf("x.mpg", {Sound(0, 48000, 1), picture}, 3.5));
    EXPECT_EQ(info.videoStream, 1);
    EXPECT_EQ(info.audioStream, 0);
    EXPECT_EQ(info.width, 720);
    EXPECT_NEAR(info.sampleAspect, 64.0 / 45, 1e-9);
    EXPECT_DOUBLE_EQ(info.frameRate, 25);
    EXPECT_DOUBLE_EQ(info.duration, 3.5);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.channels, 1);
}

TEST(InputProbeTest, ThePictureAsShownAndTheDefaultSoundTrack)
{
    MediaStream picture = Picture(0, 1920, 1080);
    picture.interlaced = true;
    picture.turn = 90;
    MediaStream english = Sound(1, 48000, 2);
    english.language = "eng";
    MediaStream commentary = Sound(3, 44100, 2, true);
    commentary.title = "Commentary";
    const InputInfo info = InputInfoFromFacts(FactsOf("phone.mkv", {picture, english, Sound(2, 44100, 6, true), commentary}, 2));
    EXPECT_TRUE(info.quarterTurn);
    EXPECT_NEAR(DisplayAspect(info), 9.0 / 16, 1e-9);
    EXPECT_TRUE(info.interlaced);
    EXPECT_EQ(info.audioStream, 2);
    EXPECT_EQ(info.channels, 6);
    EXPECT_EQ(info.unusedSoundTracks, (std::vector<std::string>{"1 (eng)", "3 (Commentary)"}));
}

TEST(InputProbeTest, CoverPictureIsNoVideo)
{
    MediaStream cover = Picture(1, 300, 300);
    cover.attachedPicture = true;
    try {
        InputInfoFromFacts(FactsOf("song.mp3", {Sound(0, 44100, 2), cover}));
        FAIL() << "accepted a file without video";
    } catch (const JobError& error) {
        EXPECT_STREQ(error.what(), "Input file has no video stream: song.mp3");
    }
}

namespace {

// One picture and one sound stream that start at the given times, the picture's packets
// ending at pictureEnd (none: 0).
InputInfo Starting(double file, double picture, double sound, double pictureEnd)
{
    MediaStream video = Picture(0, 64, 48);
    video.duration = 20;
    video.start = picture;
    if (pictureEnd > 0)
        video.packets = Packets({{std::llround((pictureEnd - 0.04) * 90000), kNone}}, 3600);
    MediaStream audio = Sound(1, 8000, 1);
    audio.start = sound;
    MediaFacts facts = FactsOf("x", {video, audio});
    facts.start = file;
    return InputInfoFromFacts(facts);
}

} // namespace

TEST(InputProbeTest, SpanStartsWithTheEarlierStreamButNotBeforeZero)
{
    const InputInfo soundLate = Starting(1.4, 1.4, 1.9, 3.4);
    EXPECT_DOUBLE_EQ(soundLate.start, 0);
    EXPECT_NEAR(soundLate.duration, 2.0, 1e-9);
    const InputInfo pictureLate = Starting(0, 0.52, 0, 2.02);
    EXPECT_DOUBLE_EQ(pictureLate.start, 0);
    EXPECT_NEAR(pictureLate.duration, 2.02, 1e-9);
    const InputInfo soundBeforeZero = Starting(-0.3, 0, -0.3, 1.5);
    EXPECT_NEAR(soundBeforeZero.start, 0.3, 1e-9);
    EXPECT_NEAR(soundBeforeZero.duration, 1.5, 1e-9);
    // Without packets the header's length is all there is.
    EXPECT_NEAR(Starting(0, 0, 0, 0).duration, 20, 1e-9);
}

TEST(InputProbeTest, PacketsSayWhereEachStreamEnds)
{
    // Reordered frames and a packet without pts, which is shown as long after its dts as
    // the first packet was.
    const PacketTimes times = Packets({{0, -1024}, {1536, kNone}, {kNone, 1024}}, 512);
    EXPECT_NEAR(PacketsEnd(times, false) * 90000, 2560, 1e-6);
}

TEST(InputProbeTest, TimestampJumpsAreFollowedAsFfmpegFollowsThem)
{
    // Video at 90 kHz, a frame every 3600: a reset to the start after ten frames, a step
    // back of a frame (no jump), and a jump forward of a minute.
    struct Jump {
        const char* name;
        std::vector<long long> times;
        long long followedEnd;
    };
    std::vector<long long> reset;
    for (int frame = 0; frame < 10; ++frame)
        reset.push_back(45000 + frame * 3600);
    reset.insert(reset.end(), {45000, 48600});
    const std::vector<Jump> jumps = {
        {"reset", reset, 45000 + 12 * 3600},
        {"small step back", {45000, 48600, 45000}, 48600 + 3600},
        {"forward", {45000, 48600, 48600 + 60 * 90000, 52200 + 60 * 90000}, 52200 + 2 * 3600},
    };
    for (const Jump& jump : jumps) {
        std::vector<std::pair<long long, long long>> packets;
        for (const long long time : jump.times)
            packets.push_back({time, time});
        const PacketTimes times = Packets(packets, 3600);
        EXPECT_NEAR(PacketsEnd(times, true) * 90000, jump.followedEnd, 1e-3) << jump.name;
        EXPECT_NEAR(PacketsEnd(times, false) * 90000, *std::max_element(jump.times.begin(), jump.times.end()) + 3600,
                    1e-3)
            << jump.name;
    }
}
