#include "picture/PixelLine.h"

#include <cstdlib>

namespace {
inline void plot(QImage& image, long long x, long long y, QRgb colour)
{
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)))[x] = colour;
}
} // namespace

void plotLine(QImage& image, QPoint from, QPoint to, QRgb colour)
{
    Q_ASSERT(image.depth() == 32);
    const QRgb opaque = colour | 0xFF000000u; // valid premultiplied as well as plain ARGB
    // Bresenham, in 64 bits so that far-off points cannot overflow the error term.
    long long x = from.x();
    long long y = from.y();
    const long long dx = std::llabs(static_cast<long long>(to.x()) - x);
    const long long dy = -std::llabs(static_cast<long long>(to.y()) - y);
    const int stepX = x < to.x() ? 1 : -1;
    const int stepY = y < to.y() ? 1 : -1;
    long long error = dx + dy;
    for (;;) {
        plot(image, x, y, opaque);
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
