// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spread of a run's blocks: the median and middle half of each block's peak and RMS, counted
// in memory that does not grow with the run. A peak is a whole number of steps (0-128); an RMS is
// counted to the hundredth of a step it is shown to.

#include "core/analysis/RunFigures.h"

#include <array>
#include <vector>

class BlockSpread
{
public:
    static constexpr int kLargestLevel = 128;
    static constexpr int kRmsSteps = 100; // counts a step

    // Takes a block with samples (one without any is not counted).
    void add(int peak, double rms);
    long long blocks() const { return blocks_; }
    RunFigures::Value peak() const;
    RunFigures::Value rms() const;

private:
    long long blocks_ = 0;
    std::array<long long, kLargestLevel + 1> peaks_{};
    std::vector<long long> rmsCounts_ = std::vector<long long>(kLargestLevel * kRmsSteps + 1);
};
