// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Blocks of tracking error whose analysis theory knows: the error of a second-order loop after
// a step, e = S e^(-zeta w t) (cos(wd t) + zeta / sqrt(1 - zeta^2) sin(wd t)), wd = w sqrt(1 -
// zeta^2), which overshoots by e^(-zeta pi / sqrt(1 - zeta^2)) and rings at f sqrt(1 - zeta^2);
// and a steady tone. Values are 0-255 around 128, rounded to whole steps as the chip sends them.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace KnownSignals {
constexpr int kSamples = 300;
constexpr double kUsualGridMs = 1.909; // the usual timing digit's grid
using Values = std::array<int, kSamples>;

struct Loop
{
    double zeta = 0.25;
    double naturalHz = 30;
    double step = 80; // steps
};

inline int valueOfLevel(double level)
{
    return std::clamp(128 + static_cast<int>(std::lround(level)), 0, 255);
}

// The loop's error after a step at time t (ms) from the step; before it, 0.
inline double stepError(const Loop& loop, double t)
{
    if (t < 0)
        return 0;
    const double w = 2 * std::numbers::pi * loop.naturalHz / 1000; // per ms
    const double root = std::sqrt(1 - loop.zeta * loop.zeta);
    return loop.step * std::exp(-loop.zeta * w * t) *
           (std::cos(w * root * t) + loop.zeta / root * std::sin(w * root * t));
}

// A block with a step at sample `stepAt` (0-based) and uniform noise of +-`noise` steps.
inline Values stepBlock(const Loop& loop, int stepAt, double gridMs, double noise = 0,
                        unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-noise, noise);
    Values values{};
    for (int i = 0; i < kSamples; ++i)
        values[static_cast<std::size_t>(i)] =
            valueOfLevel(stepError(loop, (i - stepAt) * gridMs) + (noise > 0 ? jitter(random) : 0));
    return values;
}

// A sine of `amplitude` steps at `hz`, starting at `phase` radians.
inline Values toneBlock(double amplitude, double hz, double phase, double gridMs)
{
    Values values{};
    for (int i = 0; i < kSamples; ++i)
        values[static_cast<std::size_t>(i)] = valueOfLevel(
            amplitude * std::sin(2 * std::numbers::pi * hz * i * gridMs / 1000 + phase));
    return values;
}

// The theory's overshoot fraction and ringing frequency.
inline double overshootOf(const Loop& loop)
{
    return std::exp(-loop.zeta * std::numbers::pi / std::sqrt(1 - loop.zeta * loop.zeta));
}
inline double ringingHzOf(const Loop& loop)
{
    return loop.naturalHz * std::sqrt(1 - loop.zeta * loop.zeta);
}
// The last time (ms from the step) the error is beyond `window`, searched finely.
inline double lastBeyond(const Loop& loop, double window)
{
    constexpr double kStepMs = 0.01;
    constexpr double kLongestMs = 1000;
    double last = 0;
    for (double t = 0; t < kLongestMs; t += kStepMs)
        if (std::abs(stepError(loop, t)) > window)
            last = t;
    return last;
}
} // namespace KnownSignals
