// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/ListingDiff.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {
QStringList linesOf(const QString& text)
{
    static const QRegularExpression kLineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(kLineEnd);
    // The listing's last line end leaves an empty line after it that is no line of the chip's.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() > ListingDiff::kMaxLines)
        lines.resize(ListingDiff::kMaxLines);
    return lines;
}
} // namespace

QList<ListingDiff::Row> ListingDiff::differences(const QString& a, const QString& b)
{
    const QStringList left = linesOf(a);
    const QStringList right = linesOf(b);
    const auto n = static_cast<std::size_t>(left.size());
    const auto m = static_cast<std::size_t>(right.size());
    // common[i][j]: the longest common run of lines of left from i and right from j.
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = left[qsizetype(i)] == right[qsizetype(j)]
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
    QList<Row> rows;
    QStringList onlyLeft;
    QStringList onlyRight;
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t firstLeft = 0;
    std::size_t firstRight = 0;
    // Lines found only on one side between two common ones are paired up in order.
    const auto flush = [&] {
        for (qsizetype k = 0; k < std::max(onlyLeft.size(), onlyRight.size()); ++k) {
            Row row;
            if (k < onlyLeft.size()) {
                row.lineA = static_cast<int>(firstLeft) + static_cast<int>(k) + 1;
                row.a = onlyLeft[k];
            }
            if (k < onlyRight.size()) {
                row.lineB = static_cast<int>(firstRight) + static_cast<int>(k) + 1;
                row.b = onlyRight[k];
            }
            rows.append(row);
        }
        onlyLeft.clear();
        onlyRight.clear();
    };
    while (i < n || j < m) {
        if (i < n && j < m && left[qsizetype(i)] == right[qsizetype(j)]) {
            flush();
            ++i;
            ++j;
            continue;
        }
        if (onlyLeft.isEmpty() && onlyRight.isEmpty()) {
            firstLeft = i;
            firstRight = j;
        }
        if (j >= m || (i < n && common[i + 1][j] >= common[i][j + 1]))
            onlyLeft << left[qsizetype(i++)];
        else
            onlyRight << right[qsizetype(j++)];
    }
    flush();
    return rows;
}
