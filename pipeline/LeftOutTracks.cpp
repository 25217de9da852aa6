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

QString LeftOutNotice(const TaskRowStore& rows, const QString& outputExt, TrackChoice tracks, JobPlan plan,
                      bool encodes)
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
    const QString type = outputExt.mid(outputExt.startsWith('.') ? 1 : 0);
    const OutputCapabilities output = CapabilitiesOf(type);
    OutputCapabilities onTheWay = output;
    if (encodes && plan == JobPlan::Intermediate)
        onTheWay = IntermediateCapabilities();
    // The output is named where it cannot hold a kind; else the job's own files, where they cannot.
    const auto holder = [&output, &onTheWay](bool OutputCapabilities::*kind) {
        const OutputCapabilities& named = output.*kind ? onTheWay : output;
        return named.*kind ? QString() : named.name + ' ' + named.holds;
    };
    const QString notIn = " not be in the output";
    QStringList lines;
    if (const QString who = holder(&OutputCapabilities::subtitles); !who.isEmpty() && most.subtitles > 0)
        lines << who + " no subtitles: " + Counted(most.subtitles, "subtitle track", "subtitle tracks") + notIn;
    if (const QString who = holder(&OutputCapabilities::moreSoundTracks); !who.isEmpty() && most.sound > 1)
        lines << who + " one sound track: " + Counted(most.sound - 1, "more sound track", "more sound tracks") + notIn;
    if (const QString who = holder(&OutputCapabilities::attachments); !who.isEmpty() && attachments > 0)
        lines << who + " no attached files: " + Counted(attachments, "attached file", "attached files") + notIn;
    if (const QString who = holder(&OutputCapabilities::cover); !who.isEmpty() && firstCover)
        lines << who + " no cover picture: the first file's cover will" + notIn;
    return lines.join('\n');
}
