// Whether the job's files may fit before anything is written.
#include "pipeline/SpaceCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

namespace {

// The conversion writes MPEG-4 at q2 (about 5 Mbit/s, bench/RESULTS.md) with MP3 sound.
constexpr double IntermediateKbits = 5000 + 128;
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
    if (!storage.isValid() || !storage.isReady())
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

qint64 OutputBytes(double totalSeconds, double outputKbits)
{
    // Without the profile's rates the intermediates' rate stands in: the join rarely writes more.
    return BytesAt(totalSeconds, outputKbits > 0 ? outputKbits : IntermediateKbits);
}

std::optional<SpaceShortage> FindSpaceShortage(const SpaceNeed& need, const SpaceProbe& probe)
{
    if (need.totalSeconds <= 0)
        return std::nullopt;
    const FolderSpace temp = probe(need.tempFolder);
    const FolderSpace output = probe(need.outputFolder);
    const qint64 intermediates = IntermediateBytes(need.totalSeconds);
    qint64 outputNeed = OutputBytes(need.totalSeconds, need.outputKbits);
    // The intermediates are still there while the join writes the output.
    if (!temp.device.isEmpty() && temp.device == output.device)
        outputNeed += intermediates;
    if (temp.freeBytes >= 0 && temp.freeBytes < intermediates)
        return SpaceShortage{need.tempFolder, temp.freeBytes, intermediates};
    if (output.freeBytes >= 0 && output.freeBytes < outputNeed)
        return SpaceShortage{need.outputFolder, output.freeBytes, outputNeed};
    return std::nullopt;
}

QString SpaceShortageText(const SpaceShortage& shortage)
{
    const QLocale locale = QLocale::c();
    return "The folder \"" + QDir::toNativeSeparators(shortage.folder) + "\" has "
        + locale.formattedDataSize(shortage.freeBytes, 1, QLocale::DataSizeTraditionalFormat)
        + " free, and the job may need "
        + locale.formattedDataSize(shortage.neededBytes, 1, QLocale::DataSizeTraditionalFormat) + " there.";
}
