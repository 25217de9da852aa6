// End to end: MP4, QuickTime and Matroska outputs get a chapter at each input's first
// frame, titled as the joiner names the input, in both plans (with pieces of one input or of
// several) and in a copy join.
#include "EncoderHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

enum class Plan { EncodeOnce, Intermediate, Copy, Grouped };

struct ChapterCase {
    const char* extension;
    Plan plan;
};

void PrintTo(const ChapterCase& test, std::ostream* out)
{
    *out << test.extension << " plan " << static_cast<int>(test.plan);
}

struct Chapter {
    double start = 0;
    QString title;
};

QList<Chapter> ChaptersOf(const QString& path)
{
    const ProgramRun run = RunProgram("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", path});
    QList<Chapter> chapters;
    for (const QJsonValue& chapter : QJsonDocument::fromJson(run.out.toUtf8())["chapters"].toArray())
        chapters.append({chapter["start_time"].toString().toDouble(), chapter["tags"]["title"].toString()});
    return chapters;
}

// The video frames' times, in showing order.
QList<double> FrameTimes(const QString& path)
{
    const ProgramRun run = RunProgram(
        "ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pts_time", "-of", "csv=p=0", path});
    QList<double> times;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts))
        times << line.section(',', 0, 0).toDouble();
    std::sort(times.begin(), times.end());
    return times;
}

// "mp4_EncodeOnce"
std::string CaseName(const ::testing::TestParamInfo<ChapterCase>& info)
{
    static const char* const plans[] = {"EncodeOnce", "Intermediate", "Copy", "Grouped"};
    return std::string(info.param.extension) + "_" + plans[static_cast<int>(info.param.plan)];
}

class EncoderChapters : public ::testing::TestWithParam<ChapterCase> {};

} // namespace

TEST_P(EncoderChapters, EachInputsChapterStartsAtItsFirstFrameWithItsName)
{
    const ChapterCase& test = GetParam();
    const QString extension = test.extension;
    QTemporaryDir folder;
    // Names that ffmetadata would read as its own syntax unless they are escaped.
    const QStringList titles = {"one=1", "two;#2", "three\\3"};
    QStringList inputs;
    QList<long> firstFrames{0};
    for (const double seconds : {1.0, 0.8, 1.2}) {
        inputs << folder.filePath(titles[inputs.size()] + "." + extension);
        // Matroska states only the file's length: sound no longer than the picture keeps it the picture's.
        MakeClip(inputs.last(),
                 ClipOf(seconds, 160, 120).rate("30").codecs("libx264", extension == "mkv" ? "pcm_s16le" : "aac"));
        firstFrames << firstFrames.last() + FrameCount(inputs.last());
    }
    const QStringList options = {"-ovc", "lavc", "-lavcopts", "vcodec=h264:vbitrate=400", "-oac", "lavc",
                                 "-lavcopts", "acodec=aac", "-srate", "48000", "-vf", "scale=128:96"};
    // Grouped: the first two inputs make one piece, the last one another.
    const QList<QStringList> runs = test.plan == Plan::Grouped
        ? QList<QStringList>{inputs.mid(0, 2), inputs.mid(2)}
        : QList<QStringList>{inputs.mid(0, 1), inputs.mid(1, 1), inputs.mid(2, 1)};
    QStringList joined;
    for (const QStringList& run : runs) {
        if (test.plan == Plan::Copy) {
            joined << run;
            continue;
        }
        joined << folder.filePath(QString::number(joined.size()) + (test.plan == Plan::Intermediate ? ".avi" : ".mkv"));
        const QStringList conversion = test.plan != Plan::Intermediate
            ? QStringList{"-piece", "-piecefor", extension, "-ofps", "30"} + options
            : QStringList{"-oac", "mp3lame", "-ovc", "lavc", "-ofps", "30", "-vf", "scale=128:96"};
        const ProgramRun ran = RunEncoder(QStringList{"-o", joined.last()} + conversion + QStringList{"--"} + run);
        ASSERT_EQ(ran.exitCode, 0) << ran.err.toStdString();
    }
    QStringList chapterOptions;
    for (const QString& title : titles)
        chapterOptions << "-chaptertitle" << title;
    const QString output = folder.filePath("joined." + extension);
    const ProgramRun run =
        RunEncoder(QStringList{"-o", output} + (test.plan == Plan::Copy ? QStringList{"-ovc", "copy", "-oac", "copy"} : options)
                   + chapterOptions + QStringList{"--"} + joined);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QList<Chapter> chapters = ChaptersOf(output);
    const QList<double> frames = FrameTimes(output);
    ASSERT_EQ(chapters.size(), titles.size());
    ASSERT_EQ(frames.size(), firstFrames.last());
    for (int i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i].title, titles[i]);
        EXPECT_NEAR(chapters[i].start, frames[firstFrames[i]], 1.0 / 30) << "chapter " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPlan, EncoderChapters,
                         ::testing::Values(ChapterCase{"mp4", Plan::EncodeOnce}, ChapterCase{"mov", Plan::EncodeOnce},
                                           ChapterCase{"mkv", Plan::EncodeOnce}, ChapterCase{"mp4", Plan::Intermediate},
                                           ChapterCase{"mov", Plan::Intermediate}, ChapterCase{"mkv", Plan::Intermediate},
                                           ChapterCase{"mp4", Plan::Copy}, ChapterCase{"mov", Plan::Copy},
                                           ChapterCase{"mkv", Plan::Copy}, ChapterCase{"mp4", Plan::Grouped},
                                           ChapterCase{"mkv", Plan::Grouped}),
                         CaseName);
