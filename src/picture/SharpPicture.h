// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope picture as a screen with more than one device pixel per pixel shows it: the same
// drawing, in the same logical geometry, made again at the device's pixels, so that a trace is
// not a staircase of doubled pixels and the labels' glyphs are drawn at the device's
// resolution. ScopePicture hands it every drawing step as it makes it; the 600 x 512 picture
// that is saved stays ScopePicture's own.
//
// A line is whole device pixels wide (one below a ratio of 2) and not anti-aliased: thin and
// sharp. Its logical pixels' areas hold it, so what ScopePicture reports changed covers it.

#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRegion>
#include <QRgb>

class SharpPicture
{
public:
    // Starts from what the picture shows now (its background and drawing layer, enlarged);
    // what is drawn from now on is drawn sharp.
    SharpPicture(qreal ratio, const QImage& background, const QImage& drawing);

    qreal ratio() const { return ratio_; }

    // The background: the graticule is drawn again at the ratio, a loaded picture enlarged.
    void setGraticule();
    void setBackground(const QImage& fitted);
    // The drawing layer emptied within the logical area.
    void clear(const QRegion& area);
    void polyline(QPointF from, const QList<QPointF>& points, QRgb colour);
    void print(QPointF baseline, const QString& text, const QFont& font, QRgb colour);

    // The picture shown: `ratio()` times 600 x 512, with that ratio set.
    const QImage& composite() const { return composite_; }

private:
    QRect devicePixels(const QRect& logical) const;
    // The shown picture made again from the background and the drawing layer.
    void recompose();

    qreal ratio_;
    QImage background_;
    QImage drawing_;
    QImage composite_;
};
