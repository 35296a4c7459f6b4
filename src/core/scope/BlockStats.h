// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures by which a servo loop's tuning is judged: the tracking error of a block, or of a
// whole run, in encoder steps (level = value - 128). One place computes them for every
// front-end, so a capture's figures and those of its file read back agree to the last digit.

#include "core/SharedState.h"

#include <cstdint>
#include <optional>

namespace BlockStats {
struct Figures
{
    long long samples = 0;
    int minimum = 0;
    int maximum = 0;
    int peak = 0; // the largest absolute level
    double mean = 0;
    double rms = 0;
    // Of the samples themselves (divided by their count), not an estimate for a larger whole.
    double standardDeviation = 0;
};

// Sums over samples, added one by one; a block's and a run's figures come from the same sums.
class Accumulator
{
public:
    void add(int value);
    void add(const Accumulator& other);
    // Nothing while no sample has been added.
    std::optional<Figures> figures() const;

private:
    long long count_ = 0;
    long long sum_ = 0; // exact: at most 128 a sample
    long long sumOfSquares_ = 0;
    int minimum_ = 0;
    int maximum_ = 0;
};

// The sums of a captured block's samples, those not received left out.
Accumulator sumsOf(const SampleBlock& block);
} // namespace BlockStats
