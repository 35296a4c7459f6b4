// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ScopeSurface.h"

#include "core/link/QueuedCall.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return ScopeSurface::kLeftButton;
    case Qt::RightButton:
        return ScopeSurface::kRightButton;
    case Qt::MiddleButton:
        return ScopeSurface::kMiddleButton;
    default:
        return 0;
    }
}

int buttonsHeld(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= ScopeSurface::kLeftButton;
    if (buttons & Qt::RightButton)
        code |= ScopeSurface::kRightButton;
    if (buttons & Qt::MiddleButton)
        code |= ScopeSurface::kMiddleButton;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace

ScopeSurface::ScopeSurface(QWidget* parent) : QWidget(parent)
{
    setFixedSize(ScopePicture::kWidth, ScopePicture::kHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void ScopeSurface::pictureChanged()
{
    if (repaintPending_)
        return;
    repaintPending_ = true;
    queueCall(this, [this] {
        repaintPending_ = false;
        // Painted here and now: what the last turn drew (a clear and a block) is whole, and
        // an update would cost another turn of the event loop for the window's update
        // request, 38 times a second while blocks stream in.
        repaint(sharpened(picture_.takeChangedArea()));
    });
}

void ScopeSurface::cls()
{
    picture_.clear();
    pictureChanged();
}

void ScopeSurface::line(QPointF from, QPointF to, QRgb colour)
{
    picture_.line(from, to, colour);
    pictureChanged();
}

void ScopeSurface::lineFromCurrent(QPointF to, QRgb colour)
{
    picture_.lineFromCurrent(to, colour);
    pictureChanged();
}

void ScopeSurface::setPoint(QPointF at, QRgb colour)
{
    picture_.setPoint(at, colour);
    pictureChanged();
}

void ScopeSurface::print(const QString& text, QRgb colour)
{
    picture_.print(text, colour);
    pictureChanged();
}

void ScopeSurface::setBackground(const QImage& picture)
{
    picture_.setBackground(picture);
    pictureChanged();
}

QRegion ScopeSurface::sharpened(const QRegion& changed) const
{
    // Drawn at the device's pixels, a line's rounded ends may reach a device pixel beyond the
    // logical pixels it crosses.
    if (devicePixelRatioF() == 1)
        return changed;
    QRegion wider;
    for (const QRect& area : changed)
        wider += area.adjusted(-1, -1, 1, 1);
    return wider;
}

void ScopeSurface::paintEvent(QPaintEvent* event)
{
    // A screen of another ratio (the window moved to it, or the first showing) shows all anew.
    if (picture_.setDisplayRatio(devicePixelRatioF()) && !event->region().contains(rect()))
        update();
    // The picture's own pixels, one copy per rectangle of what changed (a trace changes a few
    // rows of each band of columns); at a ratio above 1 the device pixels of the same areas.
    QPainter painter(this);
    const QImage& shown = picture_.shown();
    const qreal ratio = shown.devicePixelRatio();
    for (const QRect& area : event->region()) {
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio,
                            area.height() * ratio);
        painter.drawImage(QRectF(area), shown, source);
    }
}

void ScopeSurface::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                     static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void ScopeSurface::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT mouseMove(buttonsHeld(event->buttons()), shiftCode(event->modifiers()),
                     static_cast<float>(at.x()), static_cast<float>(at.y()));
}
