// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rajz, the scope surface on the window: shows a ScopePicture at exactly 600 x 512 pixels and
// reports mouse presses and moves in its own pixel coordinates. On a screen with more device
// pixels per pixel it shows the picture drawn at the device's pixels (SharpPicture), in the same
// logical geometry.

#include "picture/ScopePicture.h"

#include <QWidget>

class ScopeSurface : public QWidget
{
    Q_OBJECT

public:
    // Mouse buttons as the mouse events number them (several at once in a move).
    static constexpr int kLeftButton = 1;
    static constexpr int kRightButton = 2;
    static constexpr int kMiddleButton = 4;

    explicit ScopeSurface(QWidget* parent = nullptr);

    ScopePicture& picture() { return picture_; }
    const ScopePicture& picture() const { return picture_; }

    // Drawing on the picture; each shows at once.
    void cls();
    void line(QPointF from, QPointF to, QRgb colour);
    void lineFromCurrent(QPointF to, QRgb colour);
    void setPoint(QPointF at, QRgb colour);
    void print(const QString& text, QRgb colour);
    void setBackground(const QImage& picture);
    QRgb foreColour() const { return picture_.foreColour(); }
    QImage composite() const { return picture_.composite(); }

    // Call after drawing on picture() directly: repaints what the drawing changed. What changes
    // until control returns to the event loop (a clear and the next trace) is repainted as one
    // area, column by column, so the display gets a few rectangles per block.
    void pictureChanged();

Q_SIGNALS:
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // What must be repainted for a changed area of the picture.
    QRegion sharpened(const QRegion& changed) const;

    ScopePicture picture_;
    bool repaintPending_ = false;
};
