#include "InputProbe.h"
#include "JobError.h"

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

TEST(InputProbeTest, PacketsSayWhereThePictureEnds)
{
    // Reordered frames, a packet without pts, and the cut-off end of a damaged file.
    EXPECT_DOUBLE_EQ(PacketsEnd("0,-1024,512\n1536,-512,512\n512,0,512\nN/A,1024,512\n", 1.0 / 15360), 2048.0 / 15360);
    EXPECT_DOUBLE_EQ(PacketsEnd("0,0,1\n1,1,1\n2,2,N/A\n", 1.0 / 30), 2.0 / 30);
    EXPECT_DOUBLE_EQ(PacketsEnd("0,0,3000,\n\n3000,3000,3000,\n", 1.0 / 90000), 6000.0 / 90000);
    EXPECT_DOUBLE_EQ(PacketsEnd("", 1.0 / 30), 0);
}
