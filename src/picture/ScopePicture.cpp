#include "picture/ScopePicture.h"

#include "picture/Graticule.h"
#include "picture/PixelLine.h"

#include <QPainter>
#include <QPen>

#include <cstring>

namespace {
QPainter* beginPainter(QPainter& painter, QImage& image)
{
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    return &painter;
}

QPoint pixel(QPointF at)
{
    return at.toPoint();
}

QPen linePen(QRgb colour, int width)
{
    QPen pen{QColor::fromRgb(colour)};
    pen.setWidth(width <= 1 ? 0 : width); // 0 is Qt's one-pixel cosmetic pen
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}
} // namespace

ScopePicture::ScopePicture()
    : background_(Graticule::render().convertToFormat(QImage::Format_RGB32)),
      drawing_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied),
      composite_(background_.copy()), foreColour_(qRgb(128, 128, 255)),
      textFont_(QStringLiteral("DejaVu Sans"), 7)
{
    textFont_.setStyleHint(QFont::SansSerif);
    textFont_.setStyleStrategy(QFont::NoAntialias);
    drawing_.fill(Qt::transparent);
}

QRect ScopePicture::takeChangedArea()
{
    const QRect area = changed_;
    changed_ = QRect();
    return area;
}

void ScopePicture::markDrawn(const QRect& area)
{
    const QRect inside = area.intersected(composite_.rect());
    drawn_ |= inside;
    changed_ |= inside;
}

void ScopePicture::recompose(const QRect& area)
{
    const QRect inside = area.intersected(composite_.rect());
    if (inside.isEmpty())
        return;
    QPainter painter(&composite_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(inside.topLeft(), background_, inside);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(inside.topLeft(), drawing_, inside);
    changed_ |= inside;
}

void ScopePicture::setBackground(const QImage& picture)
{
    QImage fitted(kWidth, kHeight, QImage::Format_RGB32);
    fitted.fill(Qt::black);
    QPainter painter(&fitted);
    painter.drawImage(0, 0, picture);
    painter.end();
    background_ = fitted;
    recompose(composite_.rect());
}

void ScopePicture::clear()
{
    drawing_.fill(Qt::transparent);
    // Only what was drawn needs the background back, and with the drawing layer empty that is
    // a copy of the background's rows.
    const QRect area = drawn_.intersected(composite_.rect());
    const qsizetype rowBytes = qsizetype(area.width()) * 4;
    for (int y = area.top(); y <= area.bottom() && !area.isEmpty(); ++y)
        std::memcpy(composite_.scanLine(y) + qsizetype(area.left()) * 4,
                    background_.constScanLine(y) + qsizetype(area.left()) * 4, rowBytes);
    changed_ |= area;
    drawn_ = QRect();
    current_ = QPointF(0, 0);
}

void ScopePicture::lineInBoth(QPoint from, QPoint to, QRgb colour)
{
    plotLine(drawing_, from, to, colour);
    plotLine(composite_, from, to, colour);
    markDrawn(QRect(from, to).normalized().adjusted(0, 0, 1, 1));
}

void ScopePicture::line(QPointF from, QPointF to, QRgb colour)
{
    if (penWidth_ <= 1) {
        lineInBoth(pixel(from), pixel(to), colour);
    } else {
        QPainter painter;
        beginPainter(painter, drawing_)->setPen(linePen(colour, penWidth_));
        painter.drawLine(from, to);
        painter.end();
        const QRect area = QRectF(from, to).normalized().toAlignedRect().adjusted(
            -penWidth_, -penWidth_, penWidth_, penWidth_);
        markDrawn(area);
        recompose(area);
    }
    current_ = to;
}

void ScopePicture::lineFromCurrent(QPointF to, QRgb colour)
{
    line(current_, to, colour);
}

void ScopePicture::polylineFromCurrent(const QList<QPointF>& points, QRgb colour)
{
    for (const QPointF& point : points)
        line(current_, point, colour);
}

void ScopePicture::setPoint(QPointF at, QRgb colour)
{
    line(at, at, colour);
}

void ScopePicture::print(const QString& text, QRgb colour)
{
    QPainter painter;
    beginPainter(painter, drawing_);
    painter.setPen(QColor::fromRgb(colour));
    painter.setFont(textFont_);
    const QFontMetrics metrics(textFont_);
    const QPointF baseline(current_.x(), current_.y() + metrics.ascent());
    painter.drawText(baseline, text);
    painter.end();
    const QRect area =
        metrics.boundingRect(text).translated(baseline.toPoint()).adjusted(-1, -1, 1, 1);
    markDrawn(area);
    recompose(area);
}
