#include "core/TimeText.h"

#include <gtest/gtest.h>

TEST(SecondsToTimeText, WritesHoursMinutesSecondsAndTenths)
{
    EXPECT_EQ(SecondsToTimeText(0), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(3725), "01:02:05");
    EXPECT_EQ(SecondsToTimeText(61.5), "00:01:01.5");
    EXPECT_EQ(SecondsToTimeText(83.456), "00:01:23.5");
    EXPECT_EQ(SecondsToTimeText(59.9), "00:00:59.9");
    EXPECT_EQ(SecondsToTimeText(3599), "00:59:59");
    EXPECT_EQ(SecondsToTimeText(3600), "01:00:00");
    EXPECT_EQ(SecondsToTimeText(360000), "100:00:00");
}

TEST(SecondsToTimeText, RoundsTenthsHalfToEvenAndCarriesWholeSeconds)
{
    EXPECT_EQ(SecondsToTimeText(0.25), "00:00:00.2");
    EXPECT_EQ(SecondsToTimeText(0.75), "00:00:00.8");
    EXPECT_EQ(SecondsToTimeText(59.96), "00:01:00");
    EXPECT_EQ(SecondsToTimeText(3599.99), "01:00:00");
    EXPECT_EQ(SecondsToTimeText(0.97), "00:00:01");
}

TEST(TimeTextToSeconds, ReadsWellFormedTexts)
{
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("01:02:05.5"), 3725.5);
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("1:2:3"), 3723);
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("0:90:00"), 5400);
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("00:01:23.5"), 83.5);
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("100:00:00"), 360000);
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("0:0: 7.5 "), 7.5);
}

TEST(TimeTextToSeconds, MalformedTextsGiveMinusOne)
{
    for (const char* text : {"", "12:34", "00:00:.5", "a:00:01", "00:b:01", "00:00:1:2", "00:00:x", "00:00:",
                             " 1:00:00", "1 :00:00", "1: 2:00", "00:00:nan", "00:00:inf", "00:00:-inf"})
        EXPECT_EQ(TimeTextToSeconds(text), -1) << text;
}

TEST(TimeTexts, EveryWrittenTextReadsBackToTheTenth)
{
    for (double seconds = 0; seconds < 7300; seconds += 13.37) {
        const double back = TimeTextToSeconds(SecondsToTimeText(seconds));
        EXPECT_NEAR(back, seconds, 0.05 + 1e-9) << seconds;
    }
}
