// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope's geometry, in one place: where sample i (1-300) of value v is drawn on the
// 600 x 512 picture (x = 2i, y = 511 - 2v), and what the pointer at (x, y) stands for (a sample
// and a time, a level in encoder steps). The picture draws by it, the markers read by it and the
// command-line program writes its CSV rows by it; it needs neither Qt Gui nor a window.

namespace ScopeGeometry {

constexpr int kWidth = 600;
constexpr int kHeight = 512;
constexpr float kPixelsPerSample = 2;
constexpr float kPixelsPerStep = 2;
// Where value 0 is drawn.
constexpr float kBottomY = 511;

// Sample index -> x, value -> y: where the trace passes.
constexpr float xOfSample(int index) { return kPixelsPerSample * static_cast<float>(index); }
constexpr float yOfValue(int value)
{
    return kBottomY - kPixelsPerStep * static_cast<float>(value);
}

// x -> the sample under the pointer: x / 2 in single precision, halves to even. Positions off
// the picture (a drag) follow the same formula.
double sampleAt(float x);
// x -> the time under the pointer: that sample times the grid, in milliseconds.
double timeAt(float x, double timeGrid);
// y -> the level under the pointer in encoder steps: 127.5 - y / 2, halves to even, so the
// level is v - 128 over a sample drawn at 511 - 2v.
double levelAt(float y);

} // namespace ScopeGeometry
