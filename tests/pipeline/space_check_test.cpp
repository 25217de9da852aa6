#include "pipeline/SpaceCheck.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

constexpr qint64 MB = 1000 * 1000;

}

// An hour of intermediates is about 2.9 GB; of 2000 kbit/s output about 1.1 GB. Each plan needs
// room for what it writes in each folder, and a join that copies needs none in the temp folder.
TEST(SpaceCheckTest, EachFolderIsComparedWithWhatThePlanWritesThere)
{
    const qint64 intermediates = IntermediateBytes(3600);
    const qint64 pieces = PieceBytes(3600, 2000);
    const qint64 output = OutputBytes(3600, 2000);
    EXPECT_EQ(output, qint64(3600) * 2000 * 1000 / 8 * 5 / 4);
    EXPECT_EQ(OutputBytes(3600, 0), intermediates) << "without the profile's rates the intermediates' stands in";
    const SpaceNeed hour{"/tmp/velmo", "/out", 3600, 2000};
    SpaceNeed once = hour;
    once.plan = JobPlan::EncodeOnce;
    SpaceNeed many = hour;
    many.inputCount = EncoderGroupInputs + 1;
    SpaceNeed copy = hour;
    copy.copiesStreams = true;
    copy.inputBytes = 1000 * MB;
    struct Case {
        const char* what;
        FolderSpace temp;
        FolderSpace out;
        SpaceNeed need;
        std::optional<QString> folder;
        qint64 needed;
        QString written;
    };
    const Case cases[] = {
        {"both fit", {"a", intermediates}, {"b", output}, hour, std::nullopt, 0, {}},
        {"temp short", {"a", intermediates - 1}, {"b", output}, hour, "/tmp/velmo", intermediates,
         "the intermediate files"},
        {"output short", {"a", intermediates}, {"b", output - 1}, hour, "/out", output, "the output file"},
        {"one disk holds both", {"a", intermediates + output - 1}, {"a", intermediates + output - 1}, hour, "/out",
         intermediates + output, "the intermediate files and the output file"},
        {"no length known", {"a", 0}, {"b", 0}, {"/tmp/velmo", "/out", 0, 2000}, std::nullopt, 0, {}},
        {"free space unreadable", {"", -1}, {"", -1}, hour, std::nullopt, 0, {}},
        {"pieces at the output's rate", {"a", pieces - 1}, {"b", output}, once, "/tmp/velmo", pieces,
         "the encoded pieces"},
        {"pieces fit where intermediates would not", {"a", pieces}, {"b", output}, once, std::nullopt, 0, {}},
        {"a join in groups writes pieces beside the intermediates", {"a", intermediates + pieces - 1}, {"b", output},
         many, "/tmp/velmo", intermediates + pieces, "the intermediate files and their groups' pieces"},
        {"a copy writes nothing in the temp folder", {"a", 0}, {"b", 1020 * MB}, copy, std::nullopt, 0, {}},
        {"a copy writes the inputs again", {"a", 1020 * MB - 1}, {"a", 1020 * MB - 1}, copy, "/out", 1020 * MB,
         "the output file"},
    };
    for (const Case& test : cases) {
        const QHash<QString, FolderSpace> spaces{{"/tmp/velmo", test.temp}, {"/out", test.out}};
        const auto shortage
            = FindSpaceShortage(test.need, [&](const QString& folder) { return spaces.value(folder); });
        ASSERT_EQ(shortage.has_value(), test.folder.has_value()) << test.what;
        if (!shortage)
            continue;
        EXPECT_EQ(shortage->folder, *test.folder) << test.what;
        EXPECT_EQ(shortage->neededBytes, test.needed) << test.what;
        EXPECT_EQ(shortage->written, test.written) << test.what;
    }
    EXPECT_EQ(SpaceShortageText({"/out", 1536 * 1024 * 1024LL, 3 * 1024 * 1024 * 1024LL, "the output file"}),
              "The folder \"/out\" has 1.5 GB free, and the job may need 3.0 GB there for the output file.");
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
