#pragma once
// The scope's background picture, generated in code: the graticule of the tracking-error scope.

#include <QColor>
#include <QImage>

namespace Graticule {

inline const QColor kBackground{64, 0, 255};
inline const QColor kVerticalLines{138, 115, 205};   // dotted, x = 100..500 step 100
inline const QColor kHorizontalLines{132, 107, 209}; // dotted, and the solid centre line
constexpr int kVerticalX[] = {100, 200, 300, 400, 500};
constexpr int kDottedY[] = {56, 236, 275, 455};      // levels +100, +10, -10, -100
constexpr int kCentreY = 255;                        // level 0

// A 600 x 512 RGB32 image.
QImage render();

} // namespace Graticule
