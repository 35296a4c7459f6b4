// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope's background picture, generated in code: the graticule of the tracking-error scope.
// Geometry (which pixel is a dot, where each label sits) is exposed so that it can be checked to
// the pixel without a widget.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace Graticule {

constexpr int kWidth = 600;
constexpr int kHeight = 512;

inline const QColor kBackground{64, 0, 255};
inline const QColor kVerticalLines{138, 115, 205};   // dotted, x = 100..500 step 100
inline const QColor kHorizontalLines{132, 107, 209}; // dotted, and the solid centre line
inline const QColor kLabelText{176, 164, 236};       // scale and time labels, the corner mark
constexpr int kVerticalX[] = {100, 200, 300, 400, 500};
constexpr int kDottedY[] = {56, 236, 275, 455}; // levels +100, +10, -10, -100
constexpr int kCentreY = 255;                   // level 0

// A dotted line lights one pixel out of every kDotSpacing along its length, counted from the
// image edge (x = 0 for horizontal lines, y = 0 for vertical ones), so dots line up across lines.
constexpr int kDotSpacing = 3;
constexpr bool isDot(int along)
{
    return along % kDotSpacing == 0;
}

// A text written on the graticule and the box it is confined to (drawn clipped to the box).
// No box touches a line pixel, so the lines stay readable to the pixel under their labels.
struct Label
{
    QString text;
    QRect box;
    Qt::Alignment alignment; // within the box
    int pixelSize;           // of the DejaVu Sans face used
};

// The scale labels (+100, +10, -10, -100 at the right end of the dotted horizontal lines), the
// time labels along the bottom edge (t0 at the left edge, the others beside x = 100, 300, 500)
// and the small mark in the bottom right corner.
QList<Label> labels();

// The face labels are written in, at a pixel size (no anti-aliasing).
QFont labelFont(int pixelSize);

// A 600 x 512 RGB32 image, drawn without anti-aliasing. At a device pixel ratio above 1 the
// same graticule at the screen's pixels: an image that many times larger with that ratio set,
// each dot a square of whole device pixels, and the labels in the same boxes, their glyphs
// drawn at the device's resolution.
QImage render(qreal ratio = 1);

} // namespace Graticule
