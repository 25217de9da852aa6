#include "FailureText.h"
#include "JobError.h"
#include "MediaFacts.h"
#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A clip that ffmpeg writes from its test sources (or bytes that are no media file).
struct FactsCase {
    const char* name;
    const char* file;
    QStringList options; // ffmpeg's, between the sources and the file
    QByteArray bytes;
    bool soundLate = false;
};

void PrintTo(const FactsCase& clip, std::ostream* out)
{
    *out << clip.name;
}

// ffprobe's flat output as key and value, quotes and escapes removed.
std::map<QString, QString> Flat(const QString& text)
{
    std::map<QString, QString> values;
    for (const QString& line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        QString value = line.mid(equals + 1);
        if (value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        QString plain;
        for (qsizetype i = 0; i < value.size(); ++i)
            plain += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
        values[line.left(equals)] = plain;
    }
    return values;
}

// The facts as ffprobe words them, for each stream and the file.
std::map<QString, QString> Words(const MediaFacts& facts)
{
    std::map<QString, QString> words;
    const auto number = [](double value) { return QString::number(value, 'f', 6); };
    words["format.duration"] = number(facts.duration);
    for (const MediaStream& stream : facts.streams) {
        const QString prefix = QString("streams.stream.%1.").arg(stream.index);
        words[prefix + "codec_type"] = stream.kind == StreamKind::Video ? "video" : stream.kind == StreamKind::Audio ? "audio" : "other";
        words[prefix + "disposition.default"] = stream.isDefault ? "1" : "0";
        words[prefix + "tags.title"] = QString::fromStdString(stream.title);
        words[prefix + "tags.language"] = QString::fromStdString(stream.language);
        if (stream.kind == StreamKind::Video) {
            words[prefix + "width"] = QString::number(stream.width);
            words[prefix + "height"] = QString::number(stream.height);
            words[prefix + "r_frame_rate"] = QString::fromStdString(stream.frameRate.Text());
            words[prefix + "interlaced"] = stream.interlaced ? "1" : "0";
            words[prefix + "turn"] = QString::number(stream.turn);
        } else if (stream.kind == StreamKind::Audio) {
            words[prefix + "sample_rate"] = QString::number(stream.sampleRate);
            words[prefix + "channels"] = QString::number(stream.channels);
        }
    }
    return words;
}

// The same words from ffprobe's own reading.
std::map<QString, QString> FfprobeWords(const std::map<QString, QString>& flat)
{
    const auto value = [&](const QString& key) {
        const auto found = flat.find(key);
        return found == flat.end() ? QString() : found->second;
    };
    std::map<QString, QString> words;
    words["format.duration"] = QString::number(value("format.duration").toDouble(), 'f', 6);
    for (int index = 0; !value(QString("streams.stream.%1.codec_type").arg(index)).isEmpty(); ++index) {
        const QString prefix = QString("streams.stream.%1.").arg(index);
        const QString type = value(prefix + "codec_type");
        words[prefix + "codec_type"] = type == "video" || type == "audio" ? type : "other";
        words[prefix + "disposition.default"] = value(prefix + "disposition.default");
        words[prefix + "tags.title"] = value(prefix + "tags.title");
        words[prefix + "tags.language"] = value(prefix + "tags.language");
        if (type == "video") {
            for (const char* key : {"width", "height", "r_frame_rate"})
                words[prefix + key] = value(prefix + key);
            const QString fields = value(prefix + "field_order");
            words[prefix + "interlaced"] = fields == "tt" || fields == "bb" || fields == "tb" || fields == "bt" ? "1" : "0";
            const int rotation = value(prefix + "side_data_list.side_data.0.rotation").toInt();
            words[prefix + "turn"] = QString::number(((-rotation % 360) + 360) % 360);
        } else if (type == "audio") {
            words[prefix + "sample_rate"] = value(prefix + "sample_rate");
            words[prefix + "channels"] = value(prefix + "channels");
        }
    }
    return words;
}

// The same as plain text, for readable failures.
std::map<std::string, std::string> Plain(const std::map<QString, QString>& words)
{
    std::map<std::string, std::string> plain;
    for (const auto& [key, value] : words)
        plain[key.toStdString()] = value.toStdString();
    return plain;
}

class MediaFactsTest : public testing::TestWithParam<FactsCase> {};

TEST_P(MediaFactsTest, ReadsWhatFfprobeReads)
{
    const FactsCase& clip = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(clip.file);
    if (clip.bytes.isEmpty()) {
        QStringList args{"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25:duration=0.6"};
        if (clip.soundLate)
            args << "-itsoffset" << "0.2";
        args << "-f" << "lavfi" << "-i" << "sine=frequency=440:duration=0.6" << clip.options << path;
        const ProgramRun made = RunProgram("ffmpeg", args);
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    } else {
        WriteBytes(path, clip.bytes);
    }
    const ProgramRun probed = RunProgram(
        "ffprobe", {"-v", "error", "-of", "flat", "-show_entries",
                    "format=duration:stream=codec_type,width,height,r_frame_rate,field_order,sample_rate,channels:"
                    "stream_disposition=default:stream_tags=title,language:stream_side_data=rotation",
                    "file:" + path});
    try {
        const MediaFacts facts = ReadMedia(path.toStdString());
        EXPECT_EQ(Plain(Words(facts)), Plain(FfprobeWords(Flat(probed.out))));
    } catch (const JobError& error) {
        EXPECT_EQ(std::string(error.what()), "Input file is not a readable video file ("
                                                 + ReasonFor(probed.err.toStdString(), path.toStdString()) + "): "
                                                 + path.toStdString());
    }
}

const QStringList kTwoSoundTracks{"-map", "0", "-map", "1", "-map", "1", "-c:v", "libx264", "-c:a", "aac",
                                  "-metadata:s:a:0", "title=Main \"mix\" $1", "-metadata:s:a:1", "language=ger",
                                  "-metadata:s:a:1", "title=Kommentar", "-disposition:a:1", "default"};

INSTANTIATE_TEST_SUITE_P(
    UntidyClips, MediaFactsTest,
    testing::Values(
        FactsCase{"AviMpeg4Mp3", "a.avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
        FactsCase{"Mp4SoundStartingLate", "b.mp4", {"-c:v", "libx264", "-c:a", "aac"}, {}, true},
        FactsCase{"MpegProgramStream", "c.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}},
        FactsCase{"MatroskaTwoSoundTracksAndTitles", "d.mkv", kTwoSoundTracks},
        FactsCase{"RotatedPhoneMp4", "e.mp4", {"-c:v", "libx264", "-c:a", "aac", "-metadata:s:v", "rotate=90"}},
        FactsCase{"InterlacedTopFieldFirstTransportStream", "f.ts",
                  {"-vf", "setfield=tff", "-flags", "+ildct+ilme", "-c:v", "mpeg2video", "-c:a", "mp2"}},
        FactsCase{"NoMediaFile", "g.avi", {}, "RIFF but nothing more"}),
    [](const testing::TestParamInfo<FactsCase>& info) { return std::string(info.param.name); });

} // namespace

// HEVC keeps PQ's mastering display in its pictures; it is read in the units x265 writes.
TEST(MediaFactsHdrTest, MasteringDisplayInTheUnitsX265Writes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("pq.mkv");
    const QString display = "G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(40000000,1)";
    const ProgramRun made = RunProgram(
        "ffmpeg", {"-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25:duration=0.2",
                   "-pix_fmt", "yuv420p10le", "-c:v", "libx265", "-color_trc", "smpte2084", "-color_primaries",
                   "bt2020", "-colorspace", "bt2020nc", "-x265-params",
                   "log-level=error:hdr10=1:master-display=" + display + ":max-cll=1000,400", path});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    MediaRead read;
    read.firstFrameLight = true;
    const MediaFacts facts = ReadMedia(path.toStdString(), read);
    ASSERT_NE(facts.Video(), nullptr);
    EXPECT_EQ(facts.Video()->masterDisplay, display.toStdString());
    EXPECT_EQ(facts.Video()->contentLight, "1000,400");
    EXPECT_EQ(facts.Video()->masteringPeak, 4000);
}
