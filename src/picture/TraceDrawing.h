#pragma once
// The trace of a block in the scope frame: sample i (1-300) of value v at x = 2i, y = 511 - 2v.

#include "core/SharedState.h"

#include <QPointF>
#include <QRgb>

class ScopePicture;

namespace ScopeFrame {
constexpr int kBottomY = 511;
inline QPointF samplePoint(int index, int value)
{
    return QPointF(2.0 * index, kBottomY - 2.0 * value);
}
} // namespace ScopeFrame

// Draws from the level of entry 1 (0 when it is empty) at x 0 through every present entry;
// empty entries are skipped, so the line joins the last drawn point to the next present sample.
void drawTrace(ScopePicture& picture, const SampleBlock& block, QRgb colour);
