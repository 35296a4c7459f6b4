// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/Graticule.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Labels are small: pixel sizes, so the picture is the same whatever the screen's resolution.
constexpr int kLabelPixelSize = 10;
constexpr int kMarkPixelSize = 10;
constexpr int kLabelHeight = 12;
constexpr int kLabelGap = 2; // between a label box and the line it names

constexpr int kScaleLabelWidth = 30;
constexpr int kScaleLabelRight = Graticule::kWidth - 3;
constexpr int kTimeLabelY = Graticule::kHeight - 2 - kLabelHeight;
constexpr int kTimeLabelGap = 3; // time labels start this far right of their line
constexpr int kTimeLabelWidth = 32;
constexpr int kTimeLabelLeftEdge = 2;
const QRect kMarkBox(536, 491, 62, 16);
const QString kMarkText = QStringLiteral("Trevalon");

// Positive levels are labelled above their line, negative ones below, away from the centre.
QRect scaleBox(int lineY, bool above)
{
    const int top = above ? lineY - kLabelGap - kLabelHeight : lineY + kLabelGap + 1;
    return QRect(kScaleLabelRight - kScaleLabelWidth + 1, top, kScaleLabelWidth, kLabelHeight);
}

QRect timeBox(int left, int width)
{
    return QRect(left, kTimeLabelY, width, kLabelHeight);
}

// Lights the logical pixel (x, y) at the image's ratio: a square of whole device pixels, one
// device pixel wide below a ratio of 2, so that a one-pixel line stays thin and sharp.
void lightPixel(QImage& image, int x, int y, QRgb colour)
{
    const qreal ratio = image.devicePixelRatio();
    const int size = std::max(1, static_cast<int>(ratio));
    const int left = static_cast<int>(std::lround(x * ratio));
    const int top = static_cast<int>(std::lround(y * ratio));
    for (int dy = 0; dy < size; ++dy) {
        for (int dx = 0; dx < size; ++dx)
            image.setPixel(left + dx, top + dy, colour);
    }
}

void drawDottedVertical(QImage& image, int x, QRgb colour)
{
    for (int y = 0; y < Graticule::kHeight; ++y) {
        if (Graticule::isDot(y))
            lightPixel(image, x, y, colour);
    }
}

void drawDottedHorizontal(QImage& image, int y, QRgb colour)
{
    for (int x = 0; x < Graticule::kWidth; ++x) {
        if (Graticule::isDot(x))
            lightPixel(image, x, y, colour);
    }
}

void drawSolidHorizontal(QImage& image, int y, QRgb colour)
{
    for (int x = 0; x < Graticule::kWidth; ++x)
        lightPixel(image, x, y, colour);
}
} // namespace

QFont Graticule::labelFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QList<Graticule::Label> Graticule::labels()
{
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const auto time = [&](const QString& text, int left_) {
        return Label{text, timeBox(left_, kTimeLabelWidth), left, kLabelPixelSize};
    };
    return {
        {QStringLiteral("+100"), scaleBox(kDottedY[0], true), right, kLabelPixelSize},
        {QStringLiteral("+10"), scaleBox(kDottedY[1], true), right, kLabelPixelSize},
        {QStringLiteral("-10"), scaleBox(kDottedY[2], false), right, kLabelPixelSize},
        {QStringLiteral("-100"), scaleBox(kDottedY[3], false), right, kLabelPixelSize},
        time(QStringLiteral("t0"), kTimeLabelLeftEdge),
        time(QStringLiteral("t\u00D750"), kVerticalX[0] + kTimeLabelGap),
        time(QStringLiteral("t\u00D7150"), kVerticalX[2] + kTimeLabelGap),
        time(QStringLiteral("t\u00D7250"), kVerticalX[4] + kTimeLabelGap),
        {kMarkText, kMarkBox, right, kMarkPixelSize},
    };
}

QImage Graticule::render(qreal ratio)
{
    QImage image(static_cast<int>(std::lround(kWidth * ratio)),
                 static_cast<int>(std::lround(kHeight * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(kBackground);

    for (const int x : kVerticalX)
        drawDottedVertical(image, x, kVerticalLines.rgb());
    for (const int y : kDottedY)
        drawDottedHorizontal(image, y, kHorizontalLines.rgb());
    drawSolidHorizontal(image, kCentreY, kHorizontalLines.rgb());

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setPen(kLabelText);
    for (const Label& label : labels()) {
        painter.setFont(labelFont(label.pixelSize));
        painter.setClipRect(label.box);
        painter.drawText(label.box, label.alignment, label.text);
    }
    return image;
}
