#include "ui/ColumnSizing.h"

#include <algorithm>
#include <array>
#include <cmath>

QList<int> ResizeColumns(const QList<int>& widths, int widthChange)
{
    static constexpr std::array<double, 4> Factors{0.49, 0.17, 0.15, 0.19};
    QList<int> resized = widths;
    for (qsizetype i = 0; i < resized.size() && i < qsizetype(Factors.size()); ++i) {
        // Halves go to the even neighbour.
        const int change = static_cast<int>(std::nearbyint(widthChange * Factors[i]));
        resized[i] = std::max(MinimumColumnWidth, resized[i] + change);
    }
    return resized;
}
