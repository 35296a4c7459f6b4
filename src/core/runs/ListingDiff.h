// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lines in which two register listings differ, side by side: a plain line diff of the
// chip's own text (the longest common run of lines kept, the rest paired up in order), with
// nothing parsed. Line ends (CR, LF or both) are not part of a line.

#include <QList>
#include <QString>

namespace ListingDiff {
// A listing longer than this many lines is compared only up to it.
constexpr qsizetype kMaxLines = 1000;

struct Row
{
    int lineA = 0; // the line's number in A from 1, 0 where A has no line here
    QString a;
    int lineB = 0;
    QString b;
    bool operator==(const Row&) const = default;
};

// The differing lines of `a` and `b`, in the order of the listings; none when they are alike.
QList<Row> differences(const QString& a, const QString& b);
} // namespace ListingDiff
