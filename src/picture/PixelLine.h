// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One-pixel lines set straight into an image, both end points included: every sample point of a
// trace is lit exactly where the scope frame puts it. (A painter's cosmetic line may leave an end
// point out or place the joint of two segments one pixel off.) Pixels outside the image are
// skipped.

#include <QImage>
#include <QPoint>
#include <QRgb>

#include <cstdlib>

void plotLine(QImage& image, QPoint from, QPoint to, QRgb colour);

// The pixels of the same line inside a width x height grid whose rows are `stride` pixels apart,
// as offsets y * stride + x, in order from `from` to `to`; what lies outside the grid is skipped.
template <typename Visit>
void forEachLinePixel(QPoint from, QPoint to, int width, int height, qsizetype stride, Visit visit)
{
    // Bresenham, in 64 bits so that far-off points cannot overflow the error term.
    long long x = from.x();
    long long y = from.y();
    const long long dx = std::llabs(static_cast<long long>(to.x()) - x);
    const long long dy = -std::llabs(static_cast<long long>(to.y()) - y);
    const int stepX = x < to.x() ? 1 : -1;
    const int stepY = y < to.y() ? 1 : -1;
    long long error = dx + dy;
    for (;;) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            visit(static_cast<qsizetype>(y) * stride + static_cast<qsizetype>(x));
        if (x == to.x() && y == to.y())
            break;
        const long long twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}
