#include "pipeline/LeftOutTracks.h"

#include "profiles/OutputCapabilities.h"
#include "tasks/TaskEntry.h"
#include "tasks/TrackCounts.h"

#include <QStringList>

#include <algorithm>

namespace {

QString Counted(int count, const QString& one, const QString& many)
{
    return QString::number(count) + ' ' + (count == 1 ? one : many) + " will";
}

}

QString LeftOutNotice(const TaskRowStore& rows, const QString& outputExt, TrackChoice tracks)
{
    if (tracks == TrackChoice::First)
        return {};
    TrackCounts most;
    int attachments = 0;
    bool firstCover = false;
    for (int index = 0; index < rows.rowCount(); ++index) {
        ltvItemData entry;
        ReadTaskEntry(rows, index, CellTracks, entry);
        const TrackCounts counts = TrackCountsOf(entry.cells[CellTracks]);
        most.sound = std::max(most.sound, counts.sound);
        most.subtitles = std::max(most.subtitles, counts.subtitles);
        attachments += counts.attachments;
        // The output's cover is the first file's.
        firstCover = firstCover || (index == 0 && counts.cover);
    }
    const OutputCapabilities can = CapabilitiesOf(outputExt.mid(outputExt.startsWith('.') ? 1 : 0));
    const QString notIn = " not be in the output";
    QStringList lines;
    if (!can.subtitles && most.subtitles > 0)
        lines << can.name + " holds no subtitles: " + Counted(most.subtitles, "subtitle track", "subtitle tracks") + notIn;
    if (!can.moreSoundTracks && most.sound > 1)
        lines << can.name + " holds one sound track: "
                + Counted(most.sound - 1, "more sound track", "more sound tracks") + notIn;
    if (!can.attachments && attachments > 0)
        lines << can.name + " holds no attached files: " + Counted(attachments, "attached file", "attached files") + notIn;
    if (!can.cover && firstCover)
        lines << can.name + " holds no cover picture: the first file's cover will" + notIn;
    return lines.join('\n');
}
