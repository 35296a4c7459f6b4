// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trace of a block in the scope frame: sample i (1-300) of value v where ScopeGeometry puts
// it (x = 2i, y = 511 - 2v).

#include "core/SharedState.h"
#include "core/scope/ScopeGeometry.h"

#include <QPointF>
#include <QRgb>

class ScopePicture;

namespace ScopeFrame {
inline QPointF samplePoint(int index, int value)
{
    return QPointF(ScopeGeometry::xOfSample(index), ScopeGeometry::yOfValue(value));
}
} // namespace ScopeFrame

// Draws from the level of entry 1 (0 when it is empty) at x 0 through every present entry;
// empty entries are skipped, so the line joins the last drawn point to the next present sample.
void drawTrace(ScopePicture& picture, const SampleBlock& block, QRgb colour);
