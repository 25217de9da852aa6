#include "InputProbe.h"
#include "JobError.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(InputProbeTest, ReadsStreamsFromFlatOutput)
{
    const auto values = ParseFlatOutput(
        "streams.stream.0.codec_type=\"audio\"\n"
        "streams.stream.0.sample_rate=\"48000\"\n"
        "streams.stream.0.channels=1\n"
        "streams.stream.1.codec_type=\"video\"\n"
        "streams.stream.1.width=720\n"
        "streams.stream.1.height=576\n"
        "streams.stream.1.sample_aspect_ratio=\"64:45\"\n"
        "streams.stream.1.avg_frame_rate=\"0/0\"\n"
        "streams.stream.1.r_frame_rate=\"25/1\"\n"
        "streams.stream.1.duration=\"N/A\"\n"
        "format.duration=\"3.500000\"\n");
    const InputInfo info = InputInfoFromProbe("x.mpg", values);
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
    const auto values = ParseFlatOutput(
        "streams.stream.0.codec_type=\"video\"\n"
        "streams.stream.0.width=1920\n"
        "streams.stream.0.height=1080\n"
        "streams.stream.0.field_order=\"tb\"\n"
        "streams.stream.0.side_data_list.side_data.0.rotation=-90\n"
        "streams.stream.1.codec_type=\"audio\"\n"
        "streams.stream.1.sample_rate=\"48000\"\n"
        "streams.stream.1.channels=2\n"
        "streams.stream.1.disposition.default=0\n"
        "streams.stream.1.tags.language=\"eng\"\n"
        "streams.stream.2.codec_type=\"audio\"\n"
        "streams.stream.2.sample_rate=\"44100\"\n"
        "streams.stream.2.channels=6\n"
        "streams.stream.2.disposition.default=1\n"
        "streams.stream.3.codec_type=\"audio\"\n"
        "streams.stream.3.sample_rate=\"44100\"\n"
        "streams.stream.3.channels=2\n"
        "streams.stream.3.disposition.default=1\n"
        "streams.stream.3.tags.title=\"Commentary\"\n"
        "format.duration=\"2\"\n");
    const InputInfo info = InputInfoFromProbe("phone.mkv", values);
    EXPECT_TRUE(info.quarterTurn);
    EXPECT_NEAR(DisplayAspect(info), 9.0 / 16, 1e-9);
    EXPECT_TRUE(info.interlaced);
    EXPECT_EQ(info.audioStream, 2);
    EXPECT_EQ(info.channels, 6);
    EXPECT_EQ(info.unusedSoundTracks, (std::vector<std::string>{"1 (eng)", "3 (Commentary)"}));
}

TEST(InputProbeTest, MasteringDisplayInTheUnitsX265Writes)
{
    const std::string data = "frames.frame.0.side_data_list.side_data.";
    InputInfo info;
    ReadMasteringDisplay(ParseFlatOutput(data + "0.side_data_type=\"Mastering display metadata\"\n" + data
                                         + "0.red_x=\"34000/50000\"\n" + data + "0.red_y=\"16000/50000\"\n" + data
                                         + "0.green_x=\"13250/50000\"\n" + data + "0.green_y=\"34500/50000\"\n" + data
                                         + "0.blue_x=\"15/100\"\n" + data + "0.blue_y=\"3/50\"\n" + data
                                         + "0.white_point_x=\"15635/50000\"\n" + data + "0.white_point_y=\"16450/50000\"\n"
                                         + data + "0.min_luminance=\"1/10000\"\n" + data
                                         + "0.max_luminance=\"4000/1\"\n" + data
                                         + "1.side_data_type=\"Content light level metadata\"\n" + data
                                         + "1.max_content=1000\n" + data + "1.max_average=400\n"),
                         "frames.frame.0.", info);
    EXPECT_EQ(info.masterDisplay, "G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(40000000,1)");
    EXPECT_EQ(info.contentLight, "1000,400");
    EXPECT_EQ(info.masteringPeak, 4000);
}

TEST(InputProbeTest, CoverPictureIsNoVideo)
{
    const auto values = ParseFlatOutput(
        "streams.stream.0.codec_type=\"audio\"\n"
        "streams.stream.0.sample_rate=\"44100\"\n"
        "streams.stream.0.channels=2\n"
        "streams.stream.1.codec_type=\"video\"\n"
        "streams.stream.1.width=300\n"
        "streams.stream.1.height=300\n"
        "streams.stream.1.disposition.attached_pic=1\n");
    try {
        InputInfoFromProbe("song.mp3", values);
        FAIL() << "accepted a file without video";
    } catch (const JobError& error) {
        EXPECT_STREQ(error.what(), "Input file has no video stream: song.mp3");
    }
}

namespace {

// A probe of one picture and one sound stream that start at the given times.
InputInfo Starting(double file, double picture, double sound, double pictureEnd)
{
    const auto values = ParseFlatOutput(
        "streams.stream.0.codec_type=video\nstreams.stream.0.width=64\nstreams.stream.0.height=48\n"
        "streams.stream.0.duration=20\nstreams.stream.0.start_time=" + std::to_string(picture) + "\n"
        "streams.stream.1.codec_type=audio\nstreams.stream.1.sample_rate=8000\nstreams.stream.1.channels=1\n"
        "streams.stream.1.start_time=" + std::to_string(sound) + "\nformat.start_time=" + std::to_string(file) + "\n");
    return InputInfoFromProbe("x", values, pictureEnd);
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
    ProbeReader reader;
    // Reordered frames, a packet without pts, and lines split across pieces.
    for (const std::string piece : {"packets.packet.0.stream_index=0\npackets.packet.0.pts=0\npackets.pa",
                                    "cket.0.dts=-1024\npackets.packet.0.duration=512\n",
                                    "packets.packet.1.stream_index=0\npackets.packet.1.pts=1536\n"
                                    "packets.packet.1.duration=512\n",
                                    "packets.packet.2.stream_index=1\npackets.packet.2.pts=90000\n"
                                    "packets.packet.2.duration=1152\n",
                                    "packets.packet.3.stream_index=0\npackets.packet.3.pts=\"N/A\"\n"
                                    "packets.packet.3.dts=1024\npackets.packet.3.duration=512\n",
                                    "streams.stream.0.codec_type=\"video\"\n"})
        reader.Feed(piece);
    // The packet without pts is shown as long after its dts as the first packet was.
    EXPECT_EQ(reader.packetsEnd(0), 2560);
    EXPECT_EQ(reader.packetsEnd(1), 91152);
    EXPECT_EQ(reader.packetsEnd(2), std::nullopt);
    EXPECT_EQ(reader.values().at("streams.stream.0.codec_type"), "video");
    EXPECT_EQ(reader.values().count("packets.packet.0.pts"), 0u);
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
        ProbeReader reader;
        for (std::size_t i = 0; i < jump.times.size(); ++i) {
            const std::string prefix = "packets.packet." + std::to_string(i) + ".";
            reader.Feed(prefix + "stream_index=0\n" + prefix + "pts=" + std::to_string(jump.times[i]) + "\n" + prefix
                        + "dts=" + std::to_string(jump.times[i]) + "\n" + prefix + "duration=3600\n");
        }
        EXPECT_EQ(reader.packetsEnd(0, true), jump.followedEnd) << jump.name;
        EXPECT_EQ(reader.packetsEnd(0, false), *std::max_element(jump.times.begin(), jump.times.end()) + 3600)
            << jump.name;
    }
}
