// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/BlockStats.h"

#include "core/scope/ScopeGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace BlockStats {

void Accumulator::add(int value)
{
    const int level = ScopeGeometry::levelOfValue(value);
    minimum_ = count_ == 0 ? level : std::min(minimum_, level);
    maximum_ = count_ == 0 ? level : std::max(maximum_, level);
    ++count_;
    sum_ += level;
    sumOfSquares_ += static_cast<long long>(level) * level;
}

void Accumulator::add(const Accumulator& other)
{
    if (other.count_ == 0)
        return;
    minimum_ = count_ == 0 ? other.minimum_ : std::min(minimum_, other.minimum_);
    maximum_ = count_ == 0 ? other.maximum_ : std::max(maximum_, other.maximum_);
    count_ += other.count_;
    sum_ += other.sum_;
    sumOfSquares_ += other.sumOfSquares_;
}

std::optional<Figures> Accumulator::figures() const
{
    if (count_ == 0)
        return std::nullopt;
    const auto n = static_cast<double>(count_);
    Figures f;
    f.samples = count_;
    f.minimum = minimum_;
    f.maximum = maximum_;
    f.peak = std::max(std::abs(minimum_), std::abs(maximum_));
    f.mean = static_cast<double>(sum_) / n;
    const double meanSquare = static_cast<double>(sumOfSquares_) / n;
    f.rms = std::sqrt(meanSquare);
    // The sums are exact integers, so n * sumOfSquares - sum^2 is the variance's numerator
    // without the cancellation of meanSquare - mean^2 (a flat block gives exactly 0).
    const double numerator = static_cast<double>(count_) * static_cast<double>(sumOfSquares_) -
                             static_cast<double>(sum_) * static_cast<double>(sum_);
    f.standardDeviation = std::sqrt(std::max(0.0, numerator) / (n * n));
    return f;
}

Accumulator sumsOf(const SampleBlock& block)
{
    Accumulator sums;
    for (int sample = 1; sample <= kBlockSize; ++sample) {
        if (const std::optional<quint8>& value = block.entry[sample])
            sums.add(*value);
    }
    return sums;
}
} // namespace BlockStats
