#include "core/scope/Markers.h"

#include "window/Fo.h"
#include "core/TextRules.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"
#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"
#include "picture/TraceDrawing.h"

#include <QLabel>

#include <cmath>

namespace {
constexpr float kNoMarker = -1;
constexpr double kZeroLevelY = 127.5; // the level is v - 128 for a sample drawn at 511 - 2v
constexpr double kPixelsPerLevel = 2;
constexpr float kPixelsPerSample = 2;
constexpr qreal kMarkerTop = 0;
constexpr qreal kMarkerBottom = ScopePicture::kHeight;

constexpr int kTimeReadout = 0;
constexpr int kLevelReadout = 1;
constexpr int kStartReadout = 2;
constexpr int kEndReadout = 3;
constexpr int kWidthReadout = 4;

const QString kStartLabel = QStringLiteral("Start");
const QString kEndLabel = QStringLiteral("End");
} // namespace

Markers::Markers(Fo& fo, Link& link) : fo_(fo), link_(link) {}

double Markers::sampleIndex(float x)
{
    // Halving a float is exact, so widening afterwards keeps the single-precision result.
    return TextRules::roundHalfEven(static_cast<double>(x / kPixelsPerSample));
}

double Markers::level(float y)
{
    return TextRules::roundHalfEven(kZeroLevelY - static_cast<double>(y) / kPixelsPerLevel);
}

QString Markers::levelText(float y)
{
    // Through an integer, so a level that rounds to zero from below reads "0", not "-0".
    return QString::number(static_cast<qint64>(level(y)));
}

double Markers::timeAt(float x) const
{
    return sampleIndex(x) * fo_.state.timeGrid;
}

void Markers::Rajz_MouseMove(int /*button*/, int /*shift*/, float x, float y)
{
    fo_.MX(kTimeReadout)->setText(TextRules::formatNoRequiredDigit(timeAt(x)));
    fo_.MX(kLevelReadout)->setText(levelText(y));
}

void Markers::Rajz_MouseDown(int button, int /*shift*/, float x, float /*y*/)
{
    if (button == ScopeSurface::kLeftButton)
        leftClick(x);
    else if (button == ScopeSurface::kRightButton)
        rightClick();
}

void Markers::leftClick(float x)
{
    // The trap covers the marker steps too; only the stop can fail, and then no marker is
    // placed.
    try {
        fo_.scope().stopScope();
        if (fo_.state.markerStart < 0 && fo_.state.markerEnd < 0)
            placeStart(x);
        else if (fo_.state.markerEnd < 0)
            placeEnd(x);
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}

void Markers::placeStart(float x)
{
    fo_.state.markerStart = x;
    fo_.Rajz->line(QPointF(x, kMarkerTop), QPointF(x, kMarkerBottom), fo_.Rajz->foreColour());
    fo_.MX(kStartReadout)->setText(TextRules::formatAtLeastOneDigit(timeAt(x)));
    writeLabel(x, kStartLabelShift, kStartLabel);
}

void Markers::placeEnd(float x)
{
    fo_.state.markerEnd = x;
    fo_.Rajz->line(QPointF(x, kMarkerTop), QPointF(x, kMarkerBottom), fo_.Rajz->foreColour());
    fo_.MX(kEndReadout)->setText(TextRules::formatAtLeastOneDigit(timeAt(x)));
    // The width is what the user can check from the two readouts: the difference of the rounded
    // texts, not of the marker positions.
    const double start = TextRules::leadingNumber(fo_.MX(kStartReadout)->text());
    const double end = TextRules::leadingNumber(fo_.MX(kEndReadout)->text());
    fo_.MX(kWidthReadout)->setText(TextRules::formatAtLeastOneDigit(std::fabs(start - end)));
    writeLabel(x, kEndLabelShift, kEndLabel);
}

void Markers::writeLabel(float x, float labelShift, const QString& label)
{
    const float labelX = x < kLabelShiftFrom ? x : x - labelShift;
    fo_.Rajz->setPoint(QPointF(labelX, kLabelTop), fo_.Rajz->foreColour());
    fo_.Rajz->print(label, fo_.Rajz->foreColour());
}

void Markers::rightClick()
{
    fo_.Rajz->cls();
    drawTrace(fo_.Rajz->picture(), fo_.state.sampleBlock,
              oleColour(std::llround(fo_.state.traceColour)).rgb());
    fo_.Rajz->pictureChanged();
    fo_.state.markerStart = kNoMarker;
    fo_.state.markerEnd = kNoMarker;
    for (int i = kStartReadout; i <= kWidthReadout; ++i)
        fo_.MX(i)->clear();
}
