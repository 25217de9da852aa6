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
