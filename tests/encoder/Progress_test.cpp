#include "Progress.h"

#include <gtest/gtest.h>

TEST(ProgressTest, ReadsReportsSplitAnywhere)
{
    Progress progress;
    progress.Feed("frame=12\nout_time_us=250");
    EXPECT_EQ(progress.frames(), 12);
    EXPECT_DOUBLE_EQ(progress.seconds(), 0);
    progress.Feed("0000\nprogress=continue\n");
    EXPECT_DOUBLE_EQ(progress.seconds(), 2.5);
    EXPECT_EQ(PosLine(progress.seconds(), progress.frames(), 10), "Pos:    2.5s     12f (25%)\r");
}

TEST(ProgressTest, NeverGoesBack)
{
    Progress progress;
    progress.Feed("out_time_us=4000000\n");
    progress.Feed("out_time_us=N/A\nout_time_us=-23000\nout_time_us=3000000\n");
    EXPECT_DOUBLE_EQ(progress.seconds(), 4);
}

TEST(ProgressTest, PercentStopsAtTheWhole)
{
    EXPECT_EQ(PosLine(2.1, 0, 2), "Pos:    2.0s      0f (100%)\r");
}
