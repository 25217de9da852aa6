#include "EncoderHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>
#include <optional>

QString EncoderProgram()
{
    return ProgramFolder() + "asapi.dll";
}

ProgramRun RunEncoder(const QStringList& args)
{
    // The runs of a test are one job's, as the joiner's runs are: they know each other's files.
    if (!qEnvironmentVariableIsSet("VELMO_JOB_MARK"))
        qputenv("VELMO_JOB_MARK", "0123456789abcdef0123456789abcdef");
    return RunProgram(EncoderProgram(), args);
}

QString LastErrorLine(const ProgramRun& run)
{
    const QStringList lines = run.err.split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

bool DecodesCleanly(const QString& path, QString* errors)
{
    const ProgramRun run = RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (errors)
        *errors = run.err;
    return run.exitCode == 0 && run.err.trimmed().isEmpty();
}

long GStreamerPictures(const QString& path)
{
    // decodebin with only its picture linked now and then hung under load, on files that
    // it read at once when run again; playbin gives every stream a sink of its own.
    const ProgramRun run = RunProgram(
        "gst-launch-1.0", {"-v", "playbin", "flags=video+audio",
                           "uri=" + QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded),
                           "video-sink=fakesink name=pictures sync=false silent=false",
                           "audio-sink=fakesink sync=false"});
    return run.exitCode == 0 ? run.out.count("pictures: last-message = chain") : -1;
}

double LengthOf(const QString& path, const QString& stream)
{
    if (stream.isEmpty())
        return ProbeValue(path, {}, "format=duration").toDouble();
    // Decoded frames, first to last, so that no header is trusted.
    const ProgramRun run = RunProgram("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                                                  "frame=best_effort_timestamp_time,pkt_duration_time", "-of",
                                                  "csv=p=0", path});
    double first = 1e9;
    double end = 0;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(',');
        if (parts.size() < 2)
            continue;
        bool timed = false;
        const double start = parts[0].toDouble(&timed);
        if (!timed)
            continue; // MPEG's last picture, flushed from the decoder, can come without a time
        first = std::min(first, start);
        end = std::max(end, start + parts[1].toDouble());
    }
    return end > first ? end - first : 0;
}

double MaxVolume(const QString& path, double from, double seconds)
{
    const ProgramRun run = RunProgram("ffmpeg", {"-nostdin", "-ss", QString::number(from), "-t",
                                                 QString::number(seconds), "-i", path, "-vn", "-af",
                                                 "volumedetect", "-f", "null", "-"});
    const auto match = QRegularExpression("max_volume: (-?[0-9.]+|-inf) dB").match(run.err);
    if (!match.hasMatch())
        return 0;
    return match.captured(1) == "-inf" ? -1000 : match.captured(1).toDouble();
}

QList<double> PositionsIn(const QString& out)
{
    QList<double> positions;
    const QRegularExpression pos("Pos: +([0-9]+\\.[0-9])s +[0-9]+f \\( *[0-9]+%\\)\r");
    for (auto it = pos.globalMatch(out); it.hasNext();)
        positions << it.next().captured(1).toDouble();
    return positions;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QList<SoundWindow> SoundWindows(const QString& path)
{
    const ProgramRun run = RunProgram(
        "ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-vn", "-af",
                   "aresample=48000,asetnsamples=n=240:p=0,astats=metadata=1:reset=1,"
                   "ametadata=print:key=lavfi.astats.Overall.RMS_level:file=-",
                   "-f", "null", "-"});
    QList<SoundWindow> windows;
    double moment = 0;
    for (const QString& line : run.out.split('\n')) {
        if (const auto match = QRegularExpression("pts_time:(-?[0-9.]+)").match(line); match.hasMatch())
            moment = match.captured(1).toDouble();
        if (line.startsWith("lavfi.astats.Overall.RMS_level=")) {
            const QString level = line.section('=', 1);
            windows << SoundWindow{moment, level == "-inf" || level.toDouble() < -40};
        }
    }
    return windows;
}

// The moments (seconds from the picture's first frame) that start a 5 ms window whose
// level is below -40 dB, from the picture's start to its end (its length being given).
QList<double> QuietWindows(const QString& path, double pictureSeconds)
{
    const double pictureStart = RunProgram("ffprobe", {"-v", "error", "-read_intervals", "%+#1", "-select_streams",
                                                       "v:0", "-show_entries", "frame=best_effort_timestamp_time",
                                                       "-of", "csv=p=0", path})
                                    .out.section(',', 0, 0).toDouble()
        // The sound's windows count from the file's start, which in MPEG is not at 0.
        - ProbeValue(path, {}, "format=start_time").toDouble();
    QList<double> quiet;
    int windows = 0;
    for (const SoundWindow& window : SoundWindows(path)) {
        const double moment = window.moment - pictureStart;
        if (moment > -1e-3 && moment + 0.005 <= pictureSeconds + 1e-3) {
            ++windows;
            if (window.quiet)
                quiet << moment;
        }
    }
    EXPECT_GE(windows, static_cast<int>(pictureSeconds / 0.005) - 1) << path.toStdString() << ": sound too short";
    return quiet;
}

long FrameCount(const QString& path)
{
    return RunProgram("ffprobe", {"-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
                                  "stream=nb_read_packets", "-of", "csv=p=0", path})
        .out.section(',', 0, 0)
        .trimmed()
        .toLong();
}

void MakeFlashBeepClip(const QString& path, const FlashBeepClip& clip)
{
    // The flash starts on the frame at its moment (a hair early against rounding), the beep on the sample.
    // No moments: neither flash nor beep.
    QStringList flashes{"0"};
    QStringList beeps{"0"};
    for (const double moment : clip.moments) {
        flashes << QString("between(t,%1,%2)").arg(moment - 0.01).arg(moment + 0.03);
        beeps << QString("between(t,%1,%2)").arg(moment).arg(moment + 0.04);
    }
    const QString picture = QString("color=c=gray:s=128x96:r=%1:d=%2,noise=alls=20:allf=t,"
                                    "drawbox=c=white:t=fill:enable='%3'")
                                .arg(clip.frameRate).arg(clip.pictureSeconds).arg(flashes.join('+'));
    const QString sound = QString("aevalsrc='0.8*sin(2*PI*1000*t)*(%1)':s=%2:d=%3")
                              .arg(beeps.join('+')).arg(clip.sampleRate).arg(clip.soundSeconds);
    QStringList args{"-nostdin", "-y", "-v", "error", "-itsoffset", QString::number(clip.pictureStart), "-f",
                     "lavfi", "-i", picture, "-itsoffset", QString::number(clip.soundStart), "-f", "lavfi", "-i",
                     sound};
    args << clip.codecs;
    if (clip.keepFraction < 1)
        args << "-movflags" << "+faststart";
    const ProgramRun run = RunProgram("ffmpeg", args << path);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    if (clip.keepFraction < 1) {
        ASSERT_TRUE(QFile::resize(path, static_cast<qint64>(QFileInfo(path).size() * clip.keepFraction)));
    }
}

QList<double> BeepMinusFlash(const QString& path)
{
    // Both streams in one run, so that both have the same zero.
    const ProgramRun run = RunProgram(
        "ffmpeg", {"-nostdin", "-i", path, "-filter_complex",
                   "[0:v:0]signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-,nullsink;"
                   "[0:a:0]silencedetect=n=-30dB:d=0.1,anullsink",
                   "-f", "null", "-"});
    // A frame's time is the first frame's plus its place at the stream's rate: reading
    // MPEG program streams, ffmpeg guesses some frames' timestamps a frame off.
    const QStringList rate = ProbeValue(path, "v:0", "stream=r_frame_rate").section('\n', 0, 0).split('/');
    const double frameSeconds = rate.size() == 2 ? rate[1].toDouble() / rate[0].toDouble() : 0;
    QList<double> flashes;
    std::optional<double> first;
    int frame = -1;
    bool lit = false;
    for (const QString& line : run.out.split('\n')) {
        const auto match = QRegularExpression("pts_time:(-?[0-9.e+-]+)").match(line);
        if (match.hasMatch()) {
            ++frame;
            if (!first)
                first = match.captured(1).toDouble();
        }
        if (line.startsWith("lavfi.signalstats.YAVG=") && first) {
            const bool bright = line.section('=', 1).toDouble() > 200;
            if (bright && !lit)
                flashes << *first + frame * frameSeconds;
            lit = bright;
        }
    }
    // A beep starts where a silence ends that another silence follows (the last end is the file's).
    QList<double> beeps;
    double end = 0;
    bool ended = false;
    for (auto it = QRegularExpression("silence_(start|end): (-?[0-9.e+-]+)").globalMatch(run.err); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(1) == "end") {
            end = match.captured(2).toDouble();
            ended = true;
        } else if (ended) {
            beeps << end;
            ended = false;
        }
    }
    QList<double> distances;
    for (int i = 0; i < std::min(flashes.size(), beeps.size()); ++i)
        distances << beeps[i] - flashes[i];
    if (flashes.size() != beeps.size())
        ADD_FAILURE() << path.toStdString() << ": " << flashes.size() << " flashes but " << beeps.size() << " beeps";
    return distances;
}
