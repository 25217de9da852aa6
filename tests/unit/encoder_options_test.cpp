#include "profiles/EncoderOptions.h"
#include "profiles/OutputChecks.h"
#include "profiles/ProfileContents.h"
#include "tests/support/Clips.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A profile whose values are easy to spot in the option text.
const char* const TestProfile = R"([Main]
Type=mpg
[Video Codec]
Items=3
Caption0=MPEG-1
value0=mpeg1video
Caption1=No value
Caption2=Keep as it is
value2=copy
Index=0
[Video Size]
Items=2
Caption0=720 x 576
value0=720:576
Caption1=No value
Index=0
[Aspect]
Items=3
Caption0=Auto
value0=never-read
Caption1=4:3
value1=4:3
Caption2=No value
[Audio Codec]
Items=5
Caption0=MP3
Caption1=PCM
Caption2=MP2
value2=mp2
Caption3=mp3
value3=lowercase-is-lavc
Caption4=No value
Index=0
Description=Pick the sound.
[MP3 Encode]
Items=3
Caption0=VBR
value0=vbr
Caption1=ABR
value1=abr
Caption2=Upper
value2=VBR
[VBR Quality]
Items=1
Caption0=4
value0=4
[ABR CBR Bitrate]
Items=1
Caption0=192
value0=192
[Channels]
Items=1
Caption0=Mono
value0=1
[Sample Rate]
Items=2
Caption0=44100
Caption1=48000
Index=7
)";

class EncoderOptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(TestProfile);
    }
    QString path() const { return m_dir.filePath("Test.bpf"); }

    // MP3, VBR quality 4, mono, the 720:576 list size: every list has its first item.
    static OutputChoices FirstItems()
    {
        OutputChoices choices;
        choices.videoCodec = 0;
        choices.videoBitrate = "1800";
        choices.aspect = 1;
        choices.videoSize = 0;
        choices.audioCodec = 0;
        choices.audioCodecCaption = "MP3";
        choices.audioBitrate = "192";
        choices.encodeTo = 0;
        choices.quality = 0;
        choices.mp3Bitrate = 0;
        choices.channels = 0;
        choices.sampleRate = "44100";
        return choices;
    }

    QTemporaryDir m_dir;
};

}

TEST_F(EncoderOptions, BuildsTheJoinOptionsCharacterForCharacter)
{
    struct Case {
        const char* what;
        std::function<void(OutputChoices&)> change;
        const char* options;
    };
    const Case cases[] = {
        {"MP3 at variable bitrate", [](OutputChoices&) {},
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac mp3lame -lameopts vbr=2:q=4"
         " -channels 1 -vf scale=720:576 -srate 44100"},
        {"MP3 at average bitrate, automatic aspect", [](OutputChoices& c) { c.encodeTo = 1; c.aspect = 0; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:autoaspect -oac mp3lame -lameopts abr:br=192"
         " -channels 1 -vf scale=720:576 -srate 44100"},
        {"a mode of VBR in capitals is not vbr", [](OutputChoices& c) { c.encodeTo = 2; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac mp3lame -lameopts VBR:br=192"
         " -channels 1 -vf scale=720:576 -srate 44100"},
        {"PCM keeps the blanks of its empty switch and options",
         [](OutputChoices& c) { c.audioCodec = 1; c.audioCodecCaption = "PCM"; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac pcm   -channels 1"
         " -vf scale=720:576 -srate 44100"},
        {"MP2 over 128 is limited", [](OutputChoices& c) { c.audioCodec = 2; c.audioCodecCaption = "MP2"; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac lavc -lavcopts"
         " acodec=mp2:abitrate=128 -channels 1 -vf scale=720:576 -srate 44100"},
        {"MP2 with a text that is no number passes it on",
         [](OutputChoices& c) { c.audioCodec = 2; c.audioCodecCaption = "MP2"; c.audioBitrate = "lots"; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac lavc -lavcopts"
         " acodec=mp2:abitrate=lots -channels 1 -vf scale=720:576 -srate 44100"},
        {"a caption mp3 in small letters is a lavc codec",
         [](OutputChoices& c) { c.audioCodec = 3; c.audioCodecCaption = "mp3"; c.audioBitrate = "320"; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac lavc -lavcopts"
         " acodec=lowercase-is-lavc:abitrate=320 -channels 1 -vf scale=720:576 -srate 44100"},
        {"the video kept as it is keeps the sound too", [](OutputChoices& c) { c.videoCodec = 2; },
         " -ovc copy -oac copy"},
        {"the first tracks only, in a copy too", [](OutputChoices& c) { c.videoCodec = 2; c.tracks = TrackChoice::First; },
         " -ovc copy -oac copy -tracks first"},
        {"the first tracks only", [](OutputChoices& c) { c.tracks = TrackChoice::First; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac mp3lame -lameopts vbr=2:q=4"
         " -channels 1 -vf scale=720:576 -srate 44100 -tracks first"},
        {"manual size", [](OutputChoices& c) { c.selectSize = false; c.width = "720"; c.height = "576"; },
         " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1800:mbd=2:aspect=4:3 -oac mp3lame -lameopts vbr=2:q=4"
         " -channels 1 -vf scale=720:576 -srate 44100"},
        {"items without values and nothing selected take the defaults",
         [](OutputChoices& c) {
             c.videoCodec = 1; c.videoSize = 1; c.aspect = 2; c.audioCodec = 4; c.audioCodecCaption = "No value";
             c.channels = -1; c.videoBitrate.clear(); c.sampleRate.clear();
         },
         " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=:mbd=2:aspect=16:9 -oac lavc -lavcopts"
         " acodec=ac3:abitrate=192 -channels 2 -vf scale=640:480 -srate "},
    };
    for (const Case& test : cases) {
        OutputChoices choices = FirstItems();
        test.change(choices);
        EXPECT_EQ(BuildEncoderOptions(path(), choices), test.options) << test.what;
    }
}

TEST_F(EncoderOptions, OutputSizeOfTheListOrTheManualBoxes)
{
    OutputChoices choices = FirstItems();
    EXPECT_EQ(GetOutputSize(path(), choices), "720:576");
    choices.videoSize = 1;
    EXPECT_EQ(GetOutputSize(path(), choices), "224") << "the conversion's own default";
    EXPECT_EQ(GetOutputSize(m_dir.filePath("Missing.bpf"), choices), "224");
    choices.selectSize = false;
    choices.width = "320";
    choices.height = "";
    EXPECT_EQ(GetOutputSize(path(), choices), "320:");
}

TEST_F(EncoderOptions, ProfileIsReadAnewAtEveryCall)
{
    const QString before = BuildEncoderOptions(path(), FirstItems());
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(TestProfile).replace("value0=mpeg1video", "value0=mpeg2video"));
    file.close();
    EXPECT_NE(BuildEncoderOptions(path(), FirstItems()), before);
    EXPECT_TRUE(BuildEncoderOptions(path(), FirstItems()).contains("vcodec=mpeg2video"));
}

TEST_F(EncoderOptions, ReadingAProfile)
{
    const std::optional<ProfileContents> contents = ReadProfile(path());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->type, "mpg");
    EXPECT_EQ(contents->list(ProfileSection::Aspect).captions, (QStringList{"Auto", "4:3", "No value"}));
    EXPECT_EQ(contents->list(ProfileSection::Aspect).index, -1) << "no Index selects nothing";
    EXPECT_EQ(contents->list(ProfileSection::SampleRate).index, 7) << "the caller finds it outside the list";
    EXPECT_TRUE(contents->list(ProfileSection::AudioBitrate).captions.isEmpty()) << "a missing section is empty";
    EXPECT_EQ(DescribeSetting(path(), ProfileSection::AudioCodec, "MP3"), "Pick the sound.\nCurrent Value: MP3");

    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Video Codec]\nItems=2000000000\n");
    file.close();
    const std::optional<ProfileContents> damaged = ReadProfile(path());
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->type, "avi") << "a profile without Type writes AVI";
    EXPECT_EQ(damaged->list(ProfileSection::VideoCodec).captions.size(), MaxProfileItems);

    EXPECT_FALSE(ReadProfile(m_dir.filePath("Missing.bpf")));
}

// Profiles older than the choice keep every track and are not rewritten for it.
TEST_F(EncoderOptions, TheTracksChoiceIsStoredInTheProfileAndReadBack)
{
    const QByteArray before = ReadBytes(path());
    EXPECT_EQ(InitialChoices(*ReadProfile(path())).tracks, TrackChoice::All);
    EXPECT_FALSE(StoreTrackChoice(path(), TrackChoice::All));
    EXPECT_EQ(ReadBytes(path()), before);

    EXPECT_FALSE(StoreTrackChoice(path(), TrackChoice::First));
    EXPECT_EQ(InitialChoices(*ReadProfile(path())).tracks, TrackChoice::First);
    EXPECT_EQ(ReadBytes(path()), QByteArray(before).replace("Type=mpg\n", "Type=mpg\nTracks=first\n"));
    EXPECT_FALSE(StoreTrackChoice(path(), TrackChoice::All));
    EXPECT_EQ(ReadProfile(path())->tracks, TrackChoice::All);

    // The value only chooses between the two; anything else it holds keeps every track.
    WriteBytes(path(), QByteArray(before).replace("Type=mpg\n", "Type=mpg\nTracks=first -o /tmp/x\n"));
    EXPECT_EQ(ReadProfile(path())->tracks, TrackChoice::All);
}

TEST(OutputChecks, FirstFailingCheckInOrder)
{
    OutputChoices valid;
    valid.videoBitrate = "1800";
    valid.sampleRate = "44100";
    valid.audioBitrate = "160";
    valid.audioCodecCaption = "MP3";
    struct Case {
        std::function<void(OutputChoices&)> change;
        const char* caption; // empty: all checks pass
        OutputCheckFocus focus;
    };
    const Case cases[] = {
        {[](OutputChoices&) {}, "", {}},
        {[](OutputChoices& c) { c.videoBitrate = "18OO"; c.sampleRate = ""; }, "Invalid Video Bitrate",
         OutputCheckFocus::VideoBitrate},
        {[](OutputChoices& c) { c.width = "x"; c.height = ""; }, "", {}},
        {[](OutputChoices& c) { c.selectSize = false; c.width = "720"; c.height = ""; }, "Invalid Height",
         OutputCheckFocus::Height},
        {[](OutputChoices& c) { c.selectSize = false; c.width = "wide"; }, "Invalid Width", OutputCheckFocus::Width},
        {[](OutputChoices& c) { c.sampleRate = "44.1"; }, "Invalid Sample Rate", OutputCheckFocus::SampleRate},
        {[](OutputChoices& c) { c.audioBitrate = ""; }, "Invalid Audio Bitrate", OutputCheckFocus::VideoBitrate},
        {[](OutputChoices& c) { c.audioCodecCaption = "MP2"; }, "Invalid Audio Bitrate", OutputCheckFocus::AudioBitrate},
        {[](OutputChoices& c) { c.audioCodecCaption = "MP2"; c.audioBitrate = "128"; }, "", {}},
        {[](OutputChoices& c) { c.videoBitrate = "-5"; }, "Invalid Video Bitrate", OutputCheckFocus::VideoBitrate},
        {[](OutputChoices& c) { c.videoBitrate = "0"; }, "Invalid Video Bitrate", OutputCheckFocus::VideoBitrate},
        {[](OutputChoices& c) { c.videoBitrate = "99999999"; }, "Invalid Video Bitrate", OutputCheckFocus::VideoBitrate},
        {[](OutputChoices& c) { c.selectSize = false; c.width = "721"; c.height = "480"; }, "Invalid Width",
         OutputCheckFocus::Width},
        {[](OutputChoices& c) { c.selectSize = false; c.width = "720"; c.height = "8194"; }, "Invalid Height",
         OutputCheckFocus::Height},
        {[](OutputChoices& c) { c.selectSize = false; c.width = "0"; c.height = "480"; }, "Invalid Width",
         OutputCheckFocus::Width},
        {[](OutputChoices& c) { c.sampleRate = "4000"; }, "Invalid Sample Rate", OutputCheckFocus::SampleRate},
        {[](OutputChoices& c) { c.sampleRate = "192000"; }, "Invalid Sample Rate", OutputCheckFocus::SampleRate},
        {[](OutputChoices& c) { c.audioBitrate = "0"; }, "Invalid Audio Bitrate", OutputCheckFocus::VideoBitrate},
    };
    for (const Case& test : cases) {
        OutputChoices choices = valid;
        test.change(choices);
        const std::optional<OutputCheckFailure> failure = CheckOutputChoices(choices);
        if (QString(test.caption).isEmpty()) {
            EXPECT_FALSE(failure) << failure->caption.toStdString();
            continue;
        }
        ASSERT_TRUE(failure) << test.caption;
        EXPECT_EQ(failure->caption, test.caption);
        EXPECT_EQ(failure->focus, test.focus) << test.caption;
        EXPECT_EQ(failure->setAudioBitrateTo128, choices.audioCodecCaption == "MP2");
    }
}
