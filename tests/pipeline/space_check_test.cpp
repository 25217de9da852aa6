#include "pipeline/SpaceCheck.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

constexpr qint64 MB = 1000 * 1000;

}

// An hour of intermediates is about 2.9 GB; of 2000 kbit/s output about 1.1 GB.
TEST(SpaceCheckTest, EachFolderIsComparedWithWhatIsWrittenThere)
{
    const qint64 intermediates = IntermediateBytes(3600);
    const qint64 output = OutputBytes(3600, 2000);
    EXPECT_EQ(output, qint64(3600) * 2000 * 1000 / 8 * 5 / 4);
    EXPECT_EQ(OutputBytes(3600, 0), intermediates) << "without the profile's rates the intermediates' stands in";
    struct Case {
        const char* what;
        FolderSpace temp;
        FolderSpace out;
        double seconds;
        std::optional<QString> folder;
        qint64 needed;
    };
    const Case cases[] = {
        {"both fit", {"a", intermediates}, {"b", output}, 3600, std::nullopt, 0},
        {"temp short", {"a", intermediates - 1}, {"b", output}, 3600, "/tmp/velmo", intermediates},
        {"output short", {"a", intermediates}, {"b", output - 1}, 3600, "/out", output},
        {"one disk holds both", {"a", intermediates + output - 1}, {"a", intermediates + output - 1}, 3600, "/out",
         intermediates + output},
        {"no length known", {"a", 0}, {"b", 0}, 0, std::nullopt, 0},
        {"free space unreadable", {"", -1}, {"", -1}, 3600, std::nullopt, 0},
    };
    for (const Case& test : cases) {
        const QHash<QString, FolderSpace> spaces{{"/tmp/velmo", test.temp}, {"/out", test.out}};
        const auto shortage = FindSpaceShortage({"/tmp/velmo", "/out", test.seconds, 2000},
                                                [&](const QString& folder) { return spaces.value(folder); });
        ASSERT_EQ(shortage.has_value(), test.folder.has_value()) << test.what;
        if (!shortage)
            continue;
        EXPECT_EQ(shortage->folder, *test.folder) << test.what;
        EXPECT_EQ(shortage->neededBytes, test.needed) << test.what;
    }
    EXPECT_EQ(SpaceShortageText({"/out", 1536 * 1024 * 1024LL, 3 * 1024 * 1024 * 1024LL}),
              "The folder \"/out\" has 1.5 GB free, and the job may need 3.0 GB there.");
}

TEST(SpaceCheckTest, TheOutputRateIsTheProfilesVideoAndAudioRates)
{
    OutputChoices choices;
    choices.videoBitrate = "1800";
    choices.audioBitrate = "128";
    EXPECT_EQ(OutputKbits(choices), 1928);
    choices.audioBitrate.clear();
    EXPECT_EQ(OutputKbits(choices), 1992) << "an MP3 mode's rate is taken as high";
    choices.videoBitrate = "auto";
    EXPECT_EQ(OutputKbits(choices), 0);
}
