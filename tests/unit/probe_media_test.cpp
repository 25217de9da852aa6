#include "tasks/MediaInfoDll.h"
#include "tasks/MediaProbe.h"
#include "tests/support/Clips.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ProbeMediaTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

ClipRecipe TinyVideo(double seconds)
{
    ClipRecipe recipe;
    recipe.seconds = seconds;
    recipe.width = 16;
    recipe.height = 16;
    recipe.audio = false;
    return recipe;
}

// Raw 8 kHz mono samples end exactly on the millisecond, unlike video frames.
ClipRecipe ExactAudio(double seconds)
{
    ClipRecipe recipe;
    recipe.seconds = seconds;
    recipe.video = false;
    recipe.channels = 1;
    recipe.sampleRate = 8000;
    recipe.audioCodec = "pcm_s16le";
    return recipe;
}

}

TEST(MediaInfoDllTest, TheInstalledLibraryLoads)
{
    EXPECT_EQ(MediaInfoDll::LoadError(), QString());
}

TEST_F(ProbeMediaTest, WholeSecondsHaveNoFractionAndTheSizeIsTheFrame)
{
    MakeClip(path("five.avi"), TinyVideo(5.0));
    const auto probe = ProbeMedia(path("five.avi"));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->lengthText, "00:00:05");
    EXPECT_EQ(probe->sizeText, "16x16");
}

TEST_F(ProbeMediaTest, MillisecondsAreShownToTheTenthAndAudioOnlyHasNoSize)
{
    MakeClip(path("long.avi"), ExactAudio(83.456));
    const auto probe = ProbeMedia(path("long.avi"));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->lengthText, "00:01:23.5");
    EXPECT_EQ(probe->sizeText, "x");
}

TEST_F(ProbeMediaTest, NonAsciiNamesWithBlanksAndQuotesReachTheLibrary)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("Vidéos d'été \"2024\""));
    const QString clip = path("Vidéos d'été \"2024\"/Ünïcödé clip 'ä' \"ß\" 日本.mp4");
    MakeClip(clip, TinyVideo(2.0));
    const auto probe = ProbeMedia(clip);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->lengthText, "00:00:02");
    EXPECT_EQ(probe->sizeText, "16x16");
}

TEST_F(ProbeMediaTest, FilesWithoutAPlayTimeAreNotVideo)
{
    QFile text(path("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some words, not a movie\n");
    text.close();
    EXPECT_FALSE(ProbeMedia(path("notes.avi")));
    EXPECT_FALSE(ProbeMedia(path("missing.avi")));

    MakeClip(path("whole.avi"), TinyVideo(2.0));
    QFile whole(path("whole.avi"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile cut(path("cut.avi"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(12));
    cut.close();
    EXPECT_FALSE(ProbeMedia(path("cut.avi")));
}
