// Whether the job's files may fit before anything is written.
#include "pipeline/SpaceCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

namespace {

// The conversion writes MPEG-4 at q2 (about 5 Mbit/s, bench/RESULTS.md) with MP3 sound.
constexpr double IntermediateKbits = 5000 + 128;
// A piece keeps its sound as FLAC at the join's rate: at 48 kHz stereo well under PCM's 1536 kbit/s.
constexpr double PieceSoundKbits = 1000;
// A join that copies streams writes the inputs' packets again, with a container of its own around them.
constexpr double CopyOverhead = 1.02;
// Rates vary with the picture; the files are rather overestimated than the disk filled.
constexpr double Margin = 1.25;

qint64 BytesAt(double seconds, double kbits)
{
    return static_cast<qint64>(seconds * kbits * 1000 / 8 * Margin);
}

}

FolderSpace ProbeFolderSpace(const QString& folder)
{
    QString existing = QFileInfo(folder).absoluteFilePath();
    while (!QFileInfo(existing).isDir()) {
        const QString parent = QFileInfo(existing).absolutePath();
        if (parent == existing)
            return {};
        existing = parent;
    }
    // Nothing can be written there: the job's own checks say so, not a free space of 0 bytes.
    if (!QFileInfo(existing).isWritable())
        return {};
    const QStorageInfo storage(existing);
    // A file system without any size (/proc) holds no files: its "0 bytes free" says nothing.
    if (!storage.isValid() || !storage.isReady() || storage.bytesTotal() <= 0)
        return {};
    return {QString::fromUtf8(storage.device()) + "|" + storage.rootPath(), storage.bytesAvailable()};
}

double OutputKbits(const OutputChoices& choices)
{
    bool videoKnown = false;
    const double video = choices.videoBitrate.toDouble(&videoKnown);
    if (!videoKnown || video <= 0)
        return 0;
    // The MP3 modes choose their rate elsewhere; a high one is assumed for them.
    bool audioKnown = false;
    const double audio = choices.audioBitrate.toDouble(&audioKnown);
    return video + (audioKnown && audio > 0 ? audio : 192);
}

qint64 IntermediateBytes(double totalSeconds)
{
    return BytesAt(totalSeconds, IntermediateKbits);
}

qint64 PieceBytes(double totalSeconds, double outputKbits)
{
    return BytesAt(totalSeconds, (outputKbits > 0 ? outputKbits : IntermediateKbits) + PieceSoundKbits);
}

qint64 OutputBytes(double totalSeconds, double outputKbits)
{
    // Without the profile's rates the intermediates' rate stands in: the join rarely writes more.
    return BytesAt(totalSeconds, outputKbits > 0 ? outputKbits : IntermediateKbits);
}

std::optional<SpaceShortage> FindSpaceShortage(const SpaceNeed& need, const SpaceProbe& probe)
{
    if (need.copiesStreams ? need.inputBytes <= 0 : need.totalSeconds <= 0)
        return std::nullopt;
    const FolderSpace temp = probe(need.tempFolder);
    const FolderSpace output = probe(need.outputFolder);
    // The intermediates' join of many files writes its groups as pieces beside them.
    const bool groups = need.plan == JobPlan::Intermediate && need.inputCount > EncoderGroupInputs;
    const qint64 converted = need.copiesStreams ? 0
        : need.plan == JobPlan::EncodeOnce      ? PieceBytes(need.totalSeconds, need.outputKbits)
        : IntermediateBytes(need.totalSeconds) + (groups ? PieceBytes(need.totalSeconds, need.outputKbits) : 0);
    const QString convertedFiles = need.plan == JobPlan::EncodeOnce ? "the encoded pieces"
        : groups                                                    ? "the intermediate files and their groups' pieces"
                                                                    : "the intermediate files";
    const qint64 outputBytes = need.copiesStreams ? static_cast<qint64>(need.inputBytes * CopyOverhead)
                                                  : OutputBytes(need.totalSeconds, need.outputKbits);
    // The converted files are still there while the join writes the output.
    const bool oneDisk = converted > 0 && !temp.device.isEmpty() && temp.device == output.device;
    if (temp.freeBytes >= 0 && temp.freeBytes < converted)
        return SpaceShortage{need.tempFolder, temp.freeBytes, converted, convertedFiles};
    const qint64 outputNeed = outputBytes + (oneDisk ? converted : 0);
    if (output.freeBytes >= 0 && output.freeBytes < outputNeed)
        return SpaceShortage{need.outputFolder, output.freeBytes, outputNeed,
                             oneDisk ? convertedFiles + " and the output file" : QString("the output file")};
    return std::nullopt;
}

QString SpaceShortageText(const SpaceShortage& shortage)
{
    const QLocale locale = QLocale::c();
    return "The folder \"" + QDir::toNativeSeparators(shortage.folder) + "\" has "
        + locale.formattedDataSize(shortage.freeBytes, 1, QLocale::DataSizeTraditionalFormat)
        + " free, and the job may need "
        + locale.formattedDataSize(shortage.neededBytes, 1, QLocale::DataSizeTraditionalFormat) + " there for "
        + shortage.written + ".";
}
