// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope's geometry, in one place. The core speaks samples and levels: sample i (1-300) of
// value v stands at level v - 128 in encoder steps, at time i times the grid. The picture is
// 600 x 512 pixels: sample i of value v is drawn at x = 2i, y = 511 - 2v. Between the two, the
// window turns the pointer's position into the core's terms (a sample position and a level
// position, unrounded), and the core's marker positions back into x. It needs neither Qt Gui nor
// a window.

#include "capture/CaptureCsv.h"

namespace ScopeGeometry {

// --- The picture ---
constexpr int kWidth = 600;
constexpr int kHeight = 512;
constexpr float kPixelsPerSample = 2;
constexpr float kPixelsPerStep = 2;
// Where value 0 is drawn.
constexpr float kBottomY = 511;
// The level halfway between the pixel rows of values 127 and 128.
constexpr double kZeroLevelY = 127.5;

// Sample index -> x, value -> y: where the trace passes.
constexpr float xOfSample(int index) { return kPixelsPerSample * static_cast<float>(index); }
constexpr float yOfValue(int value)
{
    return kBottomY - kPixelsPerStep * static_cast<float>(value);
}

// --- The pointer in the core's terms ---
// x -> the sample position under the pointer: x / 2 in single precision (exact), so 5 is 2.5,
// halfway between samples 2 and 3. Positions off the picture (a drag) follow the same formula.
constexpr float samplePositionAt(float x) { return x / kPixelsPerSample; }
// y -> the level position under the pointer in encoder steps: 127.5 - y / 2, so a sample drawn
// at 511 - 2v stands at v - 128.
constexpr double levelPositionAt(float y)
{
    return kZeroLevelY - static_cast<double>(y) / kPixelsPerStep;
}
// A marker placed at a sample position is drawn at x again: twice a float is exact.
constexpr float xOfSamplePosition(float position) { return position * kPixelsPerSample; }

// A marker's label is written from the top beside its line; near the right edge its left edge
// moves in (by the label's width) so that it stays on the picture.
constexpr float kLabelShiftFrom = 550;
constexpr float kStartLabelShift = 23;
constexpr float kEndLabelShift = 20;
constexpr float kLabelTop = 5;
constexpr float markerLabelX(float x, bool endMarker)
{
    return x < kLabelShiftFrom ? x : x - (endMarker ? kEndLabelShift : kStartLabelShift);
}

// --- The core's terms ---
// The sample a sample position reads as: halves go to even.
double sampleAt(float position);
// The level a level position reads as, in encoder steps: halves go to even.
double levelAt(double position);
// A sample's time in milliseconds.
constexpr double timeOfSample(double sample, double timeGrid) { return sample * timeGrid; }
// A sample's value at zero tracking error, and a value's level in encoder steps: the capture
// file's terms, which the scope shares.
using CaptureCsv::kCentreValue;
using CaptureCsv::levelOfValue;

} // namespace ScopeGeometry
