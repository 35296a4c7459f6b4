// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks of trevalon-cli's CSV: rows split into columns, and the rows of each block counted.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

constexpr int kRowsPerBlock = 300;
// A block is read once 299 of its bytes wait (the capture threshold), so its last sample may be
// missing when the dispatch came early; the rows then end one short.
constexpr int kFewestRowsPerBlock = 299;
constexpr int kColumns = 5;

// The CSV's data rows split into columns; empty without the header or with a last row cut short.
inline QList<QStringList> csvRows(const QByteArray& csv)
{
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'));
    if (lines.first() != QLatin1String("block,sample,value,time_ms,level") || !lines.last().isEmpty())
        return {};
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        rows << lines[i].split(QLatin1Char(','));
    return rows;
}

// How many rows each block has, in block order, if the rows are well formed: five columns,
// blocks numbered 1, 2, ... and each block's samples numbered 1, 2, ... without a gap. Empty
// otherwise.
inline QList<int> rowsPerBlock(const QList<QStringList>& rows)
{
    QList<int> counts;
    for (const QStringList& row : rows) {
        if (row.size() != kColumns)
            return {};
        const int block = row[0].toInt();
        const int sample = row[1].toInt();
        if (block == counts.size() + 1 && sample == 1)
            counts << 1;
        else if (block == counts.size() && sample == counts.last() + 1)
            ++counts.last();
        else
            return {};
    }
    return counts;
}

// Every block whole, up to the sample the capture threshold may leave out.
inline bool blocksWhole(const QList<int>& counts)
{
    return std::all_of(counts.begin(), counts.end(), [](int n) {
        return n >= kFewestRowsPerBlock && n <= kRowsPerBlock;
    });
}
