#include "tasks/TaskSort.h"

#include "core/NameFiles.h"
#include "tasks/NaturalOrder.h"
#include "tasks/TaskEntry.h"
#include "tasks/TaskRows.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace {

// Sorts by a key worked out once per row.
template <typename Key, typename KeyOf, typename Less>
void SortBy(TaskRowStore& store, KeyOf keyOf, Less less)
{
    const TaskRows now = TakeRows(store);
    QList<std::pair<Key, int>> keys;
    keys.reserve(now.size());
    for (int index = 0; index < now.size(); ++index)
        keys.append({keyOf(now[index]), index});
    std::stable_sort(keys.begin(), keys.end(),
                     [&less](const auto& a, const auto& b) { return less(a.first, b.first); });
    TaskRows sorted;
    sorted.reserve(now.size());
    for (const auto& key : keys)
        sorted.append(now[key.second]);
    PutRows(store, now, sorted);
}

qint64 RecordedOrModified(const MemoryTaskRowStore::Row& row)
{
    const QDateTime recorded = QDateTime::fromString(row.cells[CellRecorded], Qt::ISODate);
    if (recorded.isValid())
        return recorded.toMSecsSinceEpoch();
    // A file that is gone goes last.
    const std::optional<struct stat> status = StatOfName(row.caption);
    return status ? qint64{status->st_mtim.tv_sec} * 1000 + status->st_mtim.tv_nsec / 1000000
                  : std::numeric_limits<qint64>::max();
}

}

void SortTasksByName(TaskRowStore& rows)
{
    SortBy<QString>(rows, [](const MemoryTaskRowStore::Row& row) { return row.caption; }, NaturalLessThan);
}

void SortTasksByDate(TaskRowStore& rows)
{
    SortBy<qint64>(rows, RecordedOrModified, std::less<qint64>());
}
