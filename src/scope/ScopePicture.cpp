#include "scope/ScopePicture.h"

#include "scope/Graticule.h"
#include "scope/PixelLine.h"

#include <QPainter>
#include <QPen>

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
    : background_(Graticule::render()),
      drawing_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied),
      foreColour_(qRgb(128, 128, 255)), textFont_(QStringLiteral("DejaVu Sans"), 7)
{
    textFont_.setStyleHint(QFont::SansSerif);
    textFont_.setStyleStrategy(QFont::NoAntialias);
    drawing_.fill(Qt::transparent);
}

void ScopePicture::setBackground(const QImage& picture)
{
    QImage fitted(kWidth, kHeight, QImage::Format_RGB32);
    fitted.fill(Qt::black);
    QPainter painter(&fitted);
    painter.drawImage(0, 0, picture);
    painter.end();
    background_ = fitted;
}

void ScopePicture::clear()
{
    drawing_.fill(Qt::transparent);
    current_ = QPointF(0, 0);
}

void ScopePicture::line(QPointF from, QPointF to, QRgb colour)
{
    if (penWidth_ <= 1) {
        plotLine(drawing_, pixel(from), pixel(to), colour);
    } else {
        QPainter painter;
        beginPainter(painter, drawing_)->setPen(linePen(colour, penWidth_));
        painter.drawLine(from, to);
    }
    current_ = to;
}

void ScopePicture::lineFromCurrent(QPointF to, QRgb colour)
{
    line(current_, to, colour);
}

void ScopePicture::polylineFromCurrent(const QList<QPointF>& points, QRgb colour)
{
    if (points.isEmpty())
        return;
    if (penWidth_ <= 1) {
        QPoint start = pixel(current_);
        for (const QPointF& point : points) {
            const QPoint end = pixel(point);
            plotLine(drawing_, start, end, colour);
            start = end;
        }
        current_ = points.constLast();
        return;
    }
    QList<QPointF> path;
    path.reserve(points.size() + 1);
    path.append(current_);
    path.append(points);
    QPainter painter;
    beginPainter(painter, drawing_)->setPen(linePen(colour, penWidth_));
    painter.drawPolyline(path.constData(), static_cast<int>(path.size()));
    current_ = points.constLast();
}

void ScopePicture::setPoint(QPointF at, QRgb colour)
{
    if (penWidth_ <= 1) {
        plotLine(drawing_, pixel(at), pixel(at), colour);
        current_ = at;
        return;
    }
    QPainter painter;
    beginPainter(painter, drawing_)->setPen(linePen(colour, penWidth_));
    painter.drawPoint(at);
    current_ = at;
}

void ScopePicture::print(const QString& text, QRgb colour)
{
    QPainter painter;
    beginPainter(painter, drawing_);
    painter.setPen(QColor::fromRgb(colour));
    painter.setFont(textFont_);
    const QFontMetrics metrics(textFont_);
    painter.drawText(QPointF(current_.x(), current_.y() + metrics.ascent()), text);
}

QImage ScopePicture::composite() const
{
    QImage image = background_.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    painter.drawImage(0, 0, drawing_);
    return image;
}
