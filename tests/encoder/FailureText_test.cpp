#include "FailureText.h"

#include <csignal>
#include <sys/wait.h>

#include <gtest/gtest.h>

TEST(FailureTextTest, NamesTheFileConcerned)
{
    const struct {
        int status;
        const char* errors;
        const char* words; // empty: the run did not fail
    } cases[] = {
        {W_EXITCODE(1, 0), "file:/t/1.avi: Invalid data found when processing input\n",
         "Input file is not a readable video file (Invalid data found when processing input): /t/1.avi"},
        {W_EXITCODE(1, 0), "warning\nConversion failed!\r\n",
         "ffmpeg could not make the output file /o/m.avi (Conversion failed!)"},
        {W_EXITCODE(0, SIGKILL), "[pcm_s16le @ 0x1] encoding as 24 bits-per-sample\n",
         "ffmpeg was stopped by signal 9"},
        {W_EXITCODE(0, 0), "Multiple -c options specified for stream 2\nError writing trailer of /proc/self/fd/3: No "
                           "space left on device\n",
         "No space left on the device of /o/m.avi"},
        {W_EXITCODE(0, 0), "av_interleaved_write_frame(): Input/output error\n",
         "ffmpeg could not write /o/m.avi: Input/output error"},
        {W_EXITCODE(0, 0), "Multiple -c options specified for stream 2\n", ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(FfmpegFailed(test.status, test.errors), *test.words != '\0') << test.errors;
        if (*test.words != '\0') {
            EXPECT_EQ(DescribeFfmpegFailure(test.status, test.errors, "/o/m.avi", {"/t/0.avi", "/t/1.avi"}),
                      test.words);
        }
    }
}
