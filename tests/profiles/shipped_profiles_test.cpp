#include "core/PathRules.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileCheck.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileFiles.h"
#include "settings/IniFile.h"
#include "tests/support/Clips.h"

#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The profiles that keep the inputs' streams as they are: they have nothing to encode.
bool KeepsStreams(const QString& name)
{
    return TIniFile(ProfilePathOf(ProgramFolder(), name)).ReadText("Video Codec", "value0", "") == "copy";
}

QStringList ShippedProfiles(bool keepingStreams)
{
    QStringList names;
    for (const QString& file : ListFilesByExt(ProgramFolder() + "Profiles", ".bpf"))
        if (KeepsStreams(StripExtension(file)) == keepingStreams)
            names << StripExtension(file);
    return names;
}

// What ffprobe calls the containers and codecs the profiles name.
QString FormatOf(const QString& type)
{
    static const QMap<QString, QString> formats{
        {"avi", "avi"}, {"mpg", "mpeg"}, {"vob", "mpeg"}, {"mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
        {"mov", "mov,mp4,m4a,3gp,3g2,mj2"}, {"wmv", "asf"}, {"asf", "asf"}, {"flv", "flv"},
        {"mkv", "matroska,webm"}, {"webm", "matroska,webm"}};
    return formats.value(type, "unknown type " + type);
}

QString DecodedName(const QString& codec)
{
    static const QMap<QString, QString> names{{"msmpeg4", "msmpeg4v3"}, {"flv", "flv1"}};
    return names.value(codec, codec);
}

class ShippedProfile : public ::testing::TestWithParam<QString> {};

}

// Each profile's first choices, then each of its video codecs and audio codecs in turn,
// through the real encoder: the file has the profile's container, codecs and frame size.
TEST_P(ShippedProfile, EveryCodecGivesAReadableFileOfItsKind)
{
    const QString path = ProfilePathOf(ProgramFolder(), GetParam());
    const std::optional<ProfileContents> profile = ReadProfile(path);
    ASSERT_TRUE(profile);
    const TIniFile values(path);

    QTemporaryDir work;
    ClipRecipe recipe;
    recipe.seconds = 1.0;
    recipe.width = 160;
    recipe.height = 120;
    const QString input = work.filePath("input.avi");
    MakeClip(input, recipe);

    const OutputChoices initial = InitialChoices(*profile);
    std::vector<OutputChoices> runs{initial};
    for (int item = 0; item < profile->list(ProfileSection::VideoCodec).captions.size(); ++item)
        if (item != initial.videoCodec) {
            runs.push_back(initial);
            runs.back().videoCodec = item;
        }
    for (int item = 0; item < profile->list(ProfileSection::AudioCodec).captions.size(); ++item)
        if (item != initial.audioCodec) {
            runs.push_back(initial);
            runs.back().audioCodec = item;
            runs.back().audioCodecCaption = profile->list(ProfileSection::AudioCodec).captions[item];
        }

    for (std::size_t run = 0; run < runs.size(); ++run) {
        const OutputChoices& choices = runs[run];
        const JoinOptions options = BuildJoinOptions(path, choices);
        SCOPED_TRACE(options.text.toStdString());
        const std::optional<ProfileRefusal> refusal = CheckProfile(path, choices);
        EXPECT_FALSE(refusal) << refusal->text.toStdString();
        const QString output = work.filePath(QString("out%1.%2").arg(run).arg(profile->type));
        const ProgramRun encoder =
            RunProgram(ProgramFolder() + "asapi.dll", QStringList{input, "-o", output} + options.arguments);
        ASSERT_EQ(encoder.exitCode, 0) << encoder.err.toStdString();

        const QString videoCodec = values.ReadText("Video Codec", "value" + QString::number(choices.videoCodec), "");
        const QString size = values.ReadText("Video Size", "value" + QString::number(choices.videoSize), "");
        EXPECT_EQ(ProbeValue(output, "", "format=format_name"), FormatOf(profile->type));
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=codec_name"), DecodedName(videoCodec));
        EXPECT_EQ(ProbeValue(output, "v:0", "stream=width") + ":" + ProbeValue(output, "v:0", "stream=height"), size);
        const QString audio = ProbeValue(output, "a:0", "stream=codec_name");
        if (choices.audioCodecCaption == "PCM")
            EXPECT_TRUE(audio.startsWith("pcm_")) << audio.toStdString();
        else if (choices.audioCodecCaption == "MP3")
            EXPECT_EQ(audio, "mp3");
        else
            EXPECT_EQ(audio, values.ReadText("Audio Codec", "value" + QString::number(choices.audioCodec), ""));
    }
}

// Each named after its profile, "AVI - MPEG-4 Video" as AVI_MPEG_4_Video.
INSTANTIATE_TEST_SUITE_P(Shipped, ShippedProfile, ::testing::ValuesIn(ShippedProfiles(false).toVector()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.split(QRegularExpression("[^A-Za-z0-9]+"), Qt::SkipEmptyParts)
                                 .join('_')
                                 .toStdString();
                         });

// Every profile offers what a user needs to choose from.
TEST(ShippedProfiles, OneForEveryOutputTypeWithTheUsualChoices)
{
    QStringList types;
    for (const QString& name : ShippedProfiles(false)) {
        const QString path = ProfilePathOf(ProgramFolder(), name);
        const std::optional<ProfileContents> profile = ReadProfile(path);
        ASSERT_TRUE(profile);
        types << profile->type;
        const TIniFile values(path);
        for (ProfileSection section : AllProfileSections) {
            const ProfileList& list = profile->list(section);
            EXPECT_FALSE(list.captions.isEmpty()) << name.toStdString() << ": " << SectionName(section).toStdString();
            EXPECT_TRUE(list.index >= 0 && list.index < list.captions.size()) << name.toStdString();
            EXPECT_FALSE(values.ReadText(SectionName(section), "Description", "").isEmpty()) << name.toStdString();
        }
        QStringList sizes;
        for (int item = 0; item < profile->list(ProfileSection::VideoSize).captions.size(); ++item)
            sizes << values.ReadText("Video Size", "value" + QString::number(item), "");
        // A DVD holds its two standards' sizes only.
        const QStringList usual = profile->type == "vob" ? QStringList{"720:576", "720:480"}
                                                         : QStringList{"320:240", "640:480", "720:480", "720:576", "1280:720"};
        for (const QString& size : usual)
            EXPECT_TRUE(sizes.contains(size)) << name.toStdString() << " lacks " << size.toStdString();
        EXPECT_EQ(profile->list(ProfileSection::Aspect).captions, (QStringList{"Auto", "4:3", "16:9"}));
        EXPECT_EQ(values.ReadText("MP3 Encode", "value0", ""), "vbr");
        EXPECT_EQ(profile->list(ProfileSection::Mp3Encode).captions.size(), 3);
    }
    types.sort();
    EXPECT_EQ(types, (QStringList{"asf", "avi", "flv", "mkv", "mov", "mp4", "mp4", "mpg", "vob", "webm", "wmv"}));

    // Joining without re-encoding, for the types that phones, cameras and DVD rips give.
    QStringList keeping;
    for (const QString& name : ShippedProfiles(true)) {
        const QString path = ProfilePathOf(ProgramFolder(), name);
        const std::optional<ProfileContents> profile = ReadProfile(path);
        ASSERT_TRUE(profile);
        keeping << profile->type;
        EXPECT_EQ(BuildEncoderOptions(path, InitialChoices(*profile)), " -ovc copy -oac copy") << name.toStdString();
        EXPECT_FALSE(CheckProfile(path, InitialChoices(*profile))) << name.toStdString();
    }
    keeping.sort();
    EXPECT_EQ(keeping, (QStringList{"avi", "mkv", "mov", "mp4", "mpg"}));
}
