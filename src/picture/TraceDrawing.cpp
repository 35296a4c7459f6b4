// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/TraceDrawing.h"

#include "picture/ScopePicture.h"

#include <QList>

void drawTrace(ScopePicture& picture, const SampleBlock& block, QRgb colour)
{
    const int firstLevel = block.entry[1].value_or(0);
    // The start is a line of no length at x 0: nothing visible, but the current position.
    picture.moveTo(ScopeFrame::samplePoint(0, firstLevel));
    QList<QPointF> points;
    points.reserve(kBlockSize);
    for (int i = 1; i <= kBlockSize; ++i) {
        if (block.entry[i])
            points.append(ScopeFrame::samplePoint(i, *block.entry[i]));
    }
    picture.polylineFromCurrent(points, colour);
}
