// SPDX-License-Identifier: GPL-3.0-or-later
// Tracking-error signals whose figures are known from theory, for judging the program's
// analysis: moves that a second-order loop follows, a sustained oscillation, or both, with
// optional noise, sampled on the chip's time grid.
//
// Moves: a step of `stepSteps` every `moveEvery` samples, alternately up and down, the first at
// sample `kMoveLead` (so that with the default of 300, one move a block, each block holds its
// move from its 21st sample on, with the samples before it at rest). The loop follows a step S
// with the error e(t) = S e^(-z w t) (cos(wd t) + z / sqrt(1 - z^2) sin(wd t)), wd = w sqrt(1 -
// z^2), for a damping ratio z (0 < z < 1) and a natural frequency w = 2 pi f: it overshoots by
// e^(-z pi / sqrt(1 - z^2)) of the step and rings at f sqrt(1 - z^2). A move settles within its
// block when z w is large enough: e^(-z w t) / sqrt(1 - z^2) falls below 2 / 80 after some
// 80 ms at z 0.25 and 30 Hz.
//
// Oscillation: `toneSteps` sin(2 pi f t), its phase going on across blocks.
#pragma once

#include <chrono>
#include <cstdint>

namespace kdsp {

struct KnownSignalShape
{
    // Moves (a step of 0: none).
    double stepSteps = 0;
    double dampingRatio = 0.5;
    double naturalHz = 30;
    std::uint64_t moveEvery = 300;
    // A sustained oscillation (an amplitude of 0: none).
    double toneSteps = 0;
    double toneHz = 50;
    // Noise, uniform within plus or minus this many steps (0: none).
    double noiseSteps = 0;

    bool replacesServo() const { return stepSteps != 0 || toneSteps != 0; }
};

// The tracking error `seconds` after a step of `step` of a second-order loop with damping ratio
// `dampingRatio` (0 < z < 1) and natural frequency `naturalHz`; 0 before the step.
double secondOrderStepError(double step, double dampingRatio, double naturalHz, double seconds);

class KnownSignal
{
public:
    static constexpr std::uint64_t kMoveLead = 20;

    KnownSignal(const KnownSignalShape& shape, std::chrono::nanoseconds samplePeriod);

    // The error at sample `index` (counted from 0 at the chip's start) in steps, without noise
    // and before it is clamped to a byte.
    double levelAt(std::uint64_t index) const;
    // The first sample of the first move period beginning at or after `index`: a block taken
    // from it holds the whole move with the rest before it.
    std::uint64_t nextPeriodStart(std::uint64_t index) const;

private:
    KnownSignalShape shape_;
    double samplePeriodSeconds_;
};

} // namespace kdsp
