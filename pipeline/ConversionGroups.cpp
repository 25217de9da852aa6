#include "pipeline/ConversionGroups.h"

#include <algorithm>
#include <numeric>

namespace {

// An input this short costs more to start a run for than to encode (bench/processes).
constexpr double kShortSeconds = 10;
// The encoder's own limit of the inputs that one ffmpeg run opens, for its memory
// (bench/joinmemory): the runs at once share it.
constexpr int kMostInputs = 16;
// The groups each run at once gets at least, so that no run is left alone at the end.
constexpr int kGroupsPerRun = 2;

double Known(double seconds)
{
    return seconds > 0 ? seconds : 0;
}

}

double ConversionGroup::knownSeconds() const
{
    return std::accumulate(lengths.begin(), lengths.end(), 0.0,
                           [](double sum, double seconds) { return sum + Known(seconds); });
}

QList<ConversionGroup> GroupConversions(const QList<double>& lengths, int runsAtOnce, bool grouping)
{
    const double total = std::accumulate(lengths.begin(), lengths.end(), 0.0,
                                         [](double sum, double seconds) { return sum + Known(seconds); });
    const int atOnce = std::max(1, runsAtOnce);
    const double most = total / (atOnce * kGroupsPerRun);
    const int members = std::max(1, kMostInputs / atOnce);
    const auto isShort = [grouping](double seconds) { return grouping && seconds > 0 && seconds <= kShortSeconds; };
    QList<ConversionGroup> groups;
    for (int row = 0; row < lengths.size(); ++row) {
        const double seconds = lengths[row];
        ConversionGroup* last = groups.isEmpty() ? nullptr : &groups.last();
        if (last && isShort(seconds) && isShort(last->lengths.back()) && last->rows.size() < members
            && last->knownSeconds() + seconds <= most) {
            last->rows << row;
            last->lengths << seconds;
        } else {
            groups.append({{row}, {seconds}});
        }
    }
    return groups;
}
