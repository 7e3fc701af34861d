#pragma once

// The layout's lines found on a printed page raster and compared with where a
// geometry puts them.

#include "inlay/LayoutSheet.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace layoutlines {

// Runs of black along a row or column of a raster.
template <typename Pixel> QList<QPair<int, int>> darkRuns(int length, Pixel dark)
{
    QList<QPair<int, int>> runs;
    for (int i = 0; i < length; ++i) {
        if (!dark(i))
            continue;
        int end = i;
        while (end < length && dark(end))
            ++end;
        runs.append({ i, end });
        i = end;
    }
    return runs;
}

inline QImage emptyLayout()
{
    QImage layout = sheet::createSheet(sheet::kLayoutSize);
    sheet::drawEmptyLayout(layout);
    return layout;
}

// Where the layout's lines cross one sheet row (or column), in sheet pixels.
inline QList<QPair<int, int>> layoutRuns(const QImage& layout, int index, bool row)
{
    const int length = row ? layout.width() : layout.height();
    return darkRuns(length,
        [&](int i) { return qGray(row ? layout.pixel(i, index) : layout.pixel(index, i)) < 128; });
}

// Where they cross the middle of that row (or column) on a grey page raster.
inline QList<QPair<int, int>> pageRuns(const QImage& page, double middle, bool row)
{
    const int at = int(std::floor(middle));
    const int length = row ? page.width() : page.height();
    return darkRuns(length,
        [&](int i) { return (row ? page.constScanLine(at)[i] : page.constScanLine(i)[at]) < 128; });
}

struct Placement
{
    QString problem; // the first line out of place; empty when none is
    double worstDots = 0; // the largest distance of a line's edge from its place
};

// Compares every line crossing the chosen rows and columns with where the
// geometry puts it: both edges of each within the tolerance.
inline Placement placement(
    const QImage& page, QPointF originDots, QSizeF dotsPerPixel, double toleranceDots)
{
    const QImage layout = emptyLayout();
    Placement result;
    const auto check = [&](int index, bool row) -> QString {
        const double scale = row ? dotsPerPixel.width() : dotsPerPixel.height();
        const double origin = row ? originDots.x() : originDots.y();
        const double middle = row ? originDots.y() + (index + 0.5) * dotsPerPixel.height()
                                  : originDots.x() + (index + 0.5) * dotsPerPixel.width();
        const auto expected = layoutRuns(layout, index, row);
        const auto found = pageRuns(page, middle, row);
        const QString where = QStringLiteral("%1 %2").arg(row ? "row" : "column").arg(index);
        if (found.size() != expected.size())
            return where
                + QStringLiteral(": %1 lines instead of %2").arg(found.size()).arg(expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const double start = origin + expected[i].first * scale;
            const double end = origin + expected[i].second * scale;
            const double off
                = std::max(std::abs(found[i].first - start), std::abs(found[i].second - end));
            result.worstDots = std::max(result.worstDots, off);
            if (off > toleranceDots)
                return where
                    + QStringLiteral(": line %1 at dots %2..%3 instead of %4..%5")
                          .arg(i)
                          .arg(found[i].first)
                          .arg(found[i].second)
                          .arg(start)
                          .arg(end);
        }
        return {};
    };
    for (int row : { 0, 30, 57, 300, 542, 570, 605, 610, 800, 1087, 1120, 1147 })
        if (result.problem.isEmpty())
            result.problem = check(row, true);
    for (int column : { 27, 116, 141, 177, 400, 662, 698, 723, 812 })
        if (result.problem.isEmpty())
            result.problem = check(column, false);
    return result;
}

} // namespace layoutlines
