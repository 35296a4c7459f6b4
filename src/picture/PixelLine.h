#pragma once
// One-pixel lines set straight into an image, both end points included: every sample point of a
// trace is lit exactly where the scope frame puts it. (A painter's cosmetic line may leave an end
// point out or place the joint of two segments one pixel off.) Pixels outside the image are
// skipped.

#include <QImage>
#include <QPoint>
#include <QRgb>

void plotLine(QImage& image, QPoint from, QPoint to, QRgb colour);
