#include "pipeline/EncoderCommandLines.h"
#include "pipeline/ProgressBars.h"
#include "pipeline/ProgressText.h"
#include "tests/pipeline/OptionWords.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

// A reader past the twenty reads that are never parsed.
ProgressReader Warm()
{
    ProgressReader reader;
    for (int read = 0; read < ProgressReader::UnparsedReads; ++read)
        EXPECT_FALSE(reader.Feed("Pos: 99.0s 100f ( 5%)\r")) << "read " << read << " is parsed";
    return reader;
}

}

TEST(ProgressReader, CutsTheSecondsOutOfPosLines)
{
    // In a locale with a decimal comma, too: the encoder writes a point.
    QLocale::setDefault(QLocale(QLocale::German));
    struct Case {
        const char* chunk;
        std::optional<double> seconds;
    };
    const Case cases[] = {
        {"Pos:  12.3s  307f ( 10%)\r", 12.3},
        {"x Pos: 1.5s Pos: 9.0s\r", 1.5},        // the first one counts
        {"Pos: 7.2", std::nullopt},                // no "s": an empty number text
        {"f ( 40%)\r", std::nullopt},              // no "Pos:": the empty text again
        {"Pos: 30.0s\r", 30.0},
        {"skipped frames\n", 30.0},                // no "Pos:": the last number again
        {"Pos: 1,5s\r", std::nullopt},             // not a number
    };
    ProgressReader reader = Warm();
    for (const Case& test : cases)
        EXPECT_EQ(reader.Feed(test.chunk), test.seconds) << test.chunk;
    QLocale::setDefault(QLocale::c());
}

TEST(ProgressBars, FormulasRoundingAndTheClock)
{
    EXPECT_EQ(RoundHalfEven(62.5), 62);
    EXPECT_EQ(RoundHalfEven(63.5), 64);
    struct Case {
        const char* what;
        ProgressBars bars;
        int current, total;
    };
    const Case cases[] = {
        {"conversion", ConversionBars({0, 0}, 30, 60, 60, 240), 50, 19},
        {"beyond the file's length", ConversionBars({0, 0}, 130, 120, 0, 480), 100, 14},
        {"a negative length shows 0", ConversionBars({7, 7}, 10, -1, 0, 100), 0, 5},
        {"zero lengths move nothing", ConversionBars({3, 4}, 10, 0, 0, 0), 3, 4},
        {"join", JoinBars({100, 50}, 45, 180), 25, 62},
        {"join, halves to even", JoinBars({0, 50}, 75, 100), 75, 88},
        {"join without length", JoinBars({9, 60}, 5, 0), 9, 60},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.bars.current, test.current) << test.what;
        EXPECT_EQ(test.bars.total, test.total) << test.what;
    }
    EXPECT_EQ(RemainingSeconds(60, 25, 0), 180);
    EXPECT_EQ(RemainingSeconds(10, 3, 0), 323);
    EXPECT_EQ(RemainingSeconds(10, 0, 77), 77) << "a total bar at 0 keeps the estimate";
}

TEST(EncoderCommandLines, TextsAndArgumentVectors)
{
    const EncoderCommand conversion = ConversionCommand("/v/my \"best\" clip.mpg", "/tmp/j/0.avi", "320:240");
    EXPECT_EQ(conversion.text,
              " \"/v/my \"best\" clip.mpg\" -o \"/tmp/j/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=320:240");
    EXPECT_EQ(conversion.arguments, (QStringList{"-o", "/tmp/j/0.avi", "-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30",
                                                 "-vf", "scale=320:240", "--", "/v/my \"best\" clip.mpg"}));

    const EncoderCommand join = JoinCommand({"/t/0.avi", "/t/1.avi"}, "/o/out put.avi",
                                            OptionWords(" -ovc lavc -oac pcm   -srate 44100"));
    EXPECT_EQ(join.text, " \"/t/0.avi\" \"/t/1.avi\" -o \"/o/out put.avi\"  -ovc lavc -oac pcm   -srate 44100");
    EXPECT_EQ(join.arguments, (QStringList{"-o", "/o/out put.avi", "-ovc", "lavc", "-oac", "pcm", "-srate", "44100",
                                           "--", "/t/0.avi", "/t/1.avi"}));
    EXPECT_EQ(IntermediatePath("/t/", 12), "/t/12.avi");
}
