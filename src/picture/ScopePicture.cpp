// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/ScopePicture.h"

#include "picture/Graticule.h"
#include "picture/PixelLine.h"
#include "picture/SharpPicture.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

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

ScopePicture::~ScopePicture() = default;

bool ScopePicture::setDisplayRatio(qreal ratio)
{
    const qreal now = sharp_ ? sharp_->ratio() : 1;
    if (ratio == now)
        return false;
    sharp_.reset();
    if (ratio > 1) {
        sharp_ = std::make_unique<SharpPicture>(ratio, background_, drawing_);
        if (graticule_)
            sharp_->setGraticule();
    }
    return true;
}

const QImage& ScopePicture::shown() const
{
    return sharp_ ? sharp_->composite() : composite_;
}

void ScopePicture::ColumnSpans::clear()
{
    top_.fill(kHeight);
    bottom_.fill(-1);
}

void ScopePicture::ColumnSpans::add(const QRect& area)
{
    if (!area.isEmpty())
        add(area.left(), area.right(), area.top(), area.bottom());
}

void ScopePicture::ColumnSpans::add(int left, int right, int top, int bottom)
{
    left = std::max(left, 0);
    right = std::min(right, kWidth - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, kHeight - 1);
    if (top > bottom)
        return;
    for (int x = left; x <= right; ++x) {
        top_[x] = std::min(top_[x], top);
        bottom_[x] = std::max(bottom_[x], bottom);
    }
}

void ScopePicture::ColumnSpans::add(const ColumnSpans& other)
{
    for (int x = 0; x < kWidth; ++x) {
        top_[x] = std::min(top_[x], other.top_[x]);
        bottom_[x] = std::max(bottom_[x], other.bottom_[x]);
    }
}

QList<QRect> ScopePicture::ColumnSpans::bands() const
{
    QList<QRect> rects;
    for (int left = 0; left < kWidth; left += kBandWidth) {
        const int right = std::min(left + kBandWidth, kWidth) - 1;
        int top = kHeight;
        int bottom = -1;
        for (int x = left; x <= right; ++x) {
            top = std::min(top, top_[x]);
            bottom = std::max(bottom, bottom_[x]);
        }
        if (bottom >= top)
            rects.append(QRect(QPoint(left, top), QPoint(right, bottom)));
    }
    return rects;
}

QList<QRect> ScopePicture::ColumnSpans::joinedBands() const
{
    // The cheapest way to cut the run of bands into pieces, each shown as the rectangle around
    // it: cost[j] is the least cost of showing the first j bands. The bands' edges sit in plain
    // arrays: this runs for every block the scope draws.
    constexpr int kMaxBands = (kWidth + kBandWidth - 1) / kBandWidth;
    const QList<QRect> fine = bands();
    const int count = static_cast<int>(fine.size());
    std::array<int, kMaxBands> left{};
    std::array<int, kMaxBands> top{};
    std::array<int, kMaxBands> bottom{};
    for (int i = 0; i < count; ++i) {
        left[i] = fine[i].left();
        top[i] = fine[i].top();
        bottom[i] = fine[i].bottom();
    }
    std::array<qint64, kMaxBands + 1> cost{};
    std::array<int, kMaxBands + 1> cut{}; // where the last piece of the best way begins
    for (int end = 1; end <= count; ++end) {
        qint64 best = std::numeric_limits<qint64>::max();
        const int right = fine[end - 1].right();
        int pieceTop = kHeight;
        int pieceBottom = -1;
        for (int begin = end - 1; begin >= 0; --begin) {
            pieceTop = std::min(pieceTop, top[begin]);
            pieceBottom = std::max(pieceBottom, bottom[begin]);
            const qint64 area = qint64(right - left[begin] + 1) * (pieceBottom - pieceTop + 1);
            // A piece reaching further left is at least this large: none of them can be cheaper.
            if (area + kRectangleCost >= best)
                break;
            const qint64 total = cost[begin] + area + kRectangleCost;
            if (total < best) {
                best = total;
                cut[end] = begin;
            }
        }
        cost[end] = best;
    }
    QList<QRect> joined;
    for (int end = count; end > 0; end = cut[end]) {
        QRect piece;
        for (int i = cut[end]; i < end; ++i)
            piece |= fine[i];
        joined.prepend(piece);
    }
    return joined;
}

QRegion ScopePicture::takeChangedArea()
{
    QRegion area;
    for (const QRect& piece : changed_.joinedBands())
        area += piece;
    changed_.clear();
    return area;
}

void ScopePicture::drawnWithPainter(const QRect& area)
{
    drawn_.add(area);
    recompose(area);
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
    changed_.add(inside);
}

void ScopePicture::setBackground(const QImage& picture)
{
    QImage fitted(kWidth, kHeight, QImage::Format_RGB32);
    fitted.fill(Qt::black);
    QPainter painter(&fitted);
    painter.drawImage(0, 0, picture);
    painter.end();
    background_ = fitted;
    graticule_ = false;
    if (sharp_)
        sharp_->setBackground(fitted);
    recompose(composite_.rect());
}

void ScopePicture::clear()
{
    // Only what was drawn needs clearing: there the drawing layer becomes transparent again and
    // the composite gets the background's pixels back. A trace is a few thousand pixels.
    if (sharp_) {
        QRegion area;
        for (const QRect& band : plottedSpans_.bands() + drawn_.bands())
            area += band;
        sharp_->clear(area);
    }
    const Pixels into = pixels();
    const QRgb* background = reinterpret_cast<const QRgb*>(background_.constBits());
    for (const qsizetype offset : plotted_) {
        into.drawing[offset] = 0; // transparent
        into.composite[offset] = background[offset];
    }
    plotted_.clear();
    changed_.add(plottedSpans_);
    plottedSpans_.clear();
    changed_.add(drawn_);
    for (const QRect& band : drawn_.bands()) {
        const qsizetype offset = qsizetype(band.left()) * 4;
        const qsizetype bytes = qsizetype(band.width()) * 4;
        for (int y = band.top(); y <= band.bottom(); ++y) {
            std::memset(drawing_.scanLine(y) + offset, 0, bytes);
            std::memcpy(composite_.scanLine(y) + offset, background_.constScanLine(y) + offset,
                        bytes);
        }
    }
    drawn_.clear();
    current_ = QPointF(0, 0);
}

ScopePicture::Pixels ScopePicture::pixels()
{
    return {reinterpret_cast<QRgb*>(drawing_.bits()), reinterpret_cast<QRgb*>(composite_.bits())};
}

void ScopePicture::lineInBoth(QPoint from, QPoint to, QRgb colour, Pixels pixels)
{
    // All three images are 600 x 512 at 32 bits with rows packed, so a pixel has the same
    // offset in each.
    const QRgb opaque = colour | 0xFF000000u; // valid premultiplied as well as plain ARGB
    const bool remember = plotted_.size() < kMaxPlotted;
    forEachLinePixel(from, to, kWidth, kHeight, kWidth, [&](qsizetype offset) {
        pixels.drawing[offset] = opaque;
        pixels.composite[offset] = opaque;
        if (remember)
            plotted_.push_back(offset);
    });
    const int left = std::min(from.x(), to.x());
    const int right = std::max(from.x(), to.x());
    const int top = std::min(from.y(), to.y());
    const int bottom = std::max(from.y(), to.y());
    changed_.add(left, right, top, bottom);
    (remember ? plottedSpans_ : drawn_).add(left, right, top, bottom);
}

void ScopePicture::line(QPointF from, QPointF to, QRgb colour)
{
    if (sharp_)
        sharp_->polyline(from, {to}, colour);
    if (penWidth_ <= 1) {
        lineInBoth(pixel(from), pixel(to), colour, pixels());
    } else {
        QPainter painter;
        beginPainter(painter, drawing_)->setPen(linePen(colour, penWidth_));
        painter.drawLine(from, to);
        painter.end();
        const QRect area = QRectF(from, to).normalized().toAlignedRect().adjusted(
            -penWidth_, -penWidth_, penWidth_, penWidth_);
        drawnWithPainter(area);
    }
    current_ = to;
}

void ScopePicture::lineFromCurrent(QPointF to, QRgb colour)
{
    line(current_, to, colour);
}

void ScopePicture::polylineFromCurrent(const QList<QPointF>& points, QRgb colour)
{
    if (sharp_ && penWidth_ <= 1)
        sharp_->polyline(current_, points, colour);
    if (penWidth_ > 1) {
        for (const QPointF& point : points)
            line(current_, point, colour);
        return;
    }
    const Pixels into = pixels();
    for (const QPointF& point : points) {
        lineInBoth(pixel(current_), pixel(point), colour, into);
        current_ = point;
    }
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
    if (sharp_)
        sharp_->print(baseline, text, textFont_, colour);
    const QRect area =
        metrics.boundingRect(text).translated(baseline.toPoint()).adjusted(-1, -1, 1, 1);
    drawnWithPainter(area);
}
