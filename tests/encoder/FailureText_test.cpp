#include "FailureText.h"

#include <gtest/gtest.h>

TEST(FailureTextTest, NamesTheFileConcerned)
{
    EXPECT_EQ(DescribeFfmpegFailure("[avi @ 0x1] Error writing trailer: No space left on device\n", "/o/m.avi",
                                    {"/t/0.avi"}),
              "No space left on device for the output file: /o/m.avi");
    EXPECT_EQ(DescribeFfmpegFailure("file:/t/1.avi: Invalid data found when processing input\n", "/o/m.avi",
                                    {"/t/0.avi", "/t/1.avi"}),
              "Input file is not a readable video file (Invalid data found when processing input): /t/1.avi");
    EXPECT_EQ(DescribeFfmpegFailure("warning\nConversion failed!\r\n", "/o/m.avi", {"/t/0.avi"}),
              "ffmpeg could not make the output file /o/m.avi (Conversion failed!)");
}
