#include "Progress.h"

#include <gtest/gtest.h>

TEST(ProgressTest, LineInMEncodersManner)
{
    EXPECT_EQ(FormatPosLine(12.34, 308, 25), "Pos:   12.3s    308f (25%)\r");
    EXPECT_EQ(FormatPosLine(0, 0, 0), "Pos:    0.0s      0f ( 0%)\r");
}

TEST(ProgressTest, ReadsReportsSplitAnywhere)
{
    Progress progress(10);
    progress.Feed("frame=12\nout_time_us=250");
    EXPECT_EQ(progress.frames(), 12);
    EXPECT_DOUBLE_EQ(progress.seconds(), 0);
    progress.Feed("0000\nprogress=continue\n");
    EXPECT_DOUBLE_EQ(progress.seconds(), 2.5);
    EXPECT_EQ(progress.Line(), "Pos:    2.5s     12f (25%)\r");
    EXPECT_FALSE(progress.ended());
    progress.Feed("progress=end\n");
    EXPECT_TRUE(progress.ended());
}

TEST(ProgressTest, NeverGoesBack)
{
    Progress progress(10);
    progress.Feed("out_time_us=4000000\n");
    progress.Feed("out_time_us=N/A\nout_time_us=-23000\nout_time_us=3000000\n");
    EXPECT_DOUBLE_EQ(progress.seconds(), 4);
}

TEST(ProgressTest, PercentStopsAtTheWhole)
{
    Progress progress(2);
    progress.Feed("out_time_us=2100000\n");
    EXPECT_EQ(progress.Line(), "Pos:    2.0s      0f (100%)\r");
}
