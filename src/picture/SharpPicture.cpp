// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/SharpPicture.h"

#include "picture/Graticule.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Enlarged without smoothing: a loaded bitmap has no more detail to show.
QImage enlarged(const QImage& image, qreal ratio, QImage::Format format)
{
    QImage large = image
                       .scaled(static_cast<int>(std::lround(image.width() * ratio)),
                               static_cast<int>(std::lround(image.height() * ratio)),
                               Qt::IgnoreAspectRatio, Qt::FastTransformation)
                       .convertToFormat(format);
    large.setDevicePixelRatio(ratio);
    return large;
}

// Where a logical pixel's centre falls, so that a line through pixel centres lights the device
// pixels inside the logical ones it crosses.
QPointF centre(QPointF logical)
{
    return logical + QPointF(0.5, 0.5);
}
} // namespace

SharpPicture::SharpPicture(qreal ratio, const QImage& background, const QImage& drawing)
    : ratio_(ratio), background_(enlarged(background, ratio, QImage::Format_RGB32)),
      drawing_(enlarged(drawing, ratio, QImage::Format_ARGB32_Premultiplied)),
      composite_(background_)
{
    recompose();
}

void SharpPicture::setGraticule()
{
    background_ = Graticule::render(ratio_);
    recompose();
}

void SharpPicture::setBackground(const QImage& fitted)
{
    background_ = enlarged(fitted, ratio_, QImage::Format_RGB32);
    recompose();
}

void SharpPicture::recompose()
{
    composite_ = background_.copy();
    QPainter painter(&composite_);
    painter.drawImage(QPointF(0, 0), drawing_);
}

QRect SharpPicture::devicePixels(const QRect& logical) const
{
    // One device pixel more on every side: the rounding of a line's ends stays inside.
    const QRectF scaled(logical.x() * ratio_, logical.y() * ratio_, logical.width() * ratio_,
                        logical.height() * ratio_);
    return scaled.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(drawing_.rect());
}

void SharpPicture::clear(const QRegion& area)
{
    // There the drawing layer becomes transparent again and the shown picture gets the
    // background's pixels back: copies, no blending.
    for (const QRect& logical : area) {
        const QRect pixels = devicePixels(logical);
        const qsizetype offset = qsizetype(pixels.left()) * 4;
        const qsizetype bytes = qsizetype(pixels.width()) * 4;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            std::memset(drawing_.scanLine(y) + offset, 0, bytes);
            std::memcpy(composite_.scanLine(y) + offset, background_.constScanLine(y) + offset,
                        bytes);
        }
    }
}

void SharpPicture::polyline(QPointF from, const QList<QPointF>& points, QRgb colour)
{
    QList<QPointF> path;
    path.reserve(points.size() + 1);
    path.append(centre(from));
    for (const QPointF& point : points)
        path.append(centre(point));
    // Drawn opaque on the drawing layer and on the shown picture alike, as the 600 x 512
    // picture is: showing it needs no blending.
    for (QImage* image : {&drawing_, &composite_}) {
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        // One device pixel wide, Qt's fast way; a line more device pixels wide is that line
        // again, moved a device pixel right and down (a wide pen is stroked the slow way, 38
        // times a second).
        QPen pen{QColor::fromRgb(colour)};
        pen.setCosmetic(true);
        pen.setWidth(0);
        painter.setPen(pen);
        const int width = std::max(1, static_cast<int>(ratio_));
        for (int shift = 0; shift < width; ++shift) {
            for (const QPointF& step : {QPointF(shift, 0), QPointF(0, shift)}) {
                painter.setTransform(
                    QTransform::fromTranslate(step.x() / ratio_, step.y() / ratio_));
                painter.drawPolyline(path.constData(), static_cast<int>(path.size()));
                if (shift == 0)
                    break;
            }
        }
    }
}

void SharpPicture::print(QPointF baseline, const QString& text, const QFont& font, QRgb colour)
{
    for (QImage* image : {&drawing_, &composite_}) {
        QPainter painter(image);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(QColor::fromRgb(colour));
        painter.setFont(font);
        painter.drawText(baseline, text);
    }
}
