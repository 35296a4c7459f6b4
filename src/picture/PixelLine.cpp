// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/PixelLine.h"

void plotLine(QImage& image, QPoint from, QPoint to, QRgb colour)
{
    Q_ASSERT(image.depth() == 32);
    const QRgb opaque = colour | 0xFF000000u; // valid premultiplied as well as plain ARGB
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb* pixels = reinterpret_cast<QRgb*>(image.bits()); // detached once, not per pixel
    forEachLinePixel(from, to, image.width(), image.height(), stride,
                     [&](qsizetype offset) { pixels[offset] = opaque; });
}
