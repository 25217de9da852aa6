#include "EncoderHarness.h"

#include <QDir>
#include <QRegularExpression>

QString EncoderProgram()
{
    return ProgramFolder() + "asapi.dll";
}

ProgramRun RunEncoder(const QStringList& args)
{
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
        const double start = parts[0].toDouble();
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
