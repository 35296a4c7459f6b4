// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures the status line shows while blocks arrive: the last block's peak and RMS, and the
// settle time and overshoot of the last move that settled, found in each block as `analyse`
// finds them in a file (default window, threshold and hold). A few hundred steps a block and no
// spectrum, so it costs nothing worth measuring at the line rate.

#include "core/analysis/MoveFinder.h"
#include "core/scope/BlockStats.h"

#include <QString>

#include <optional>
#include <vector>

struct SampleBlock;

class LiveFigures
{
public:
    void take(const SampleBlock& block, double timeGridMs);
    // Forgets the figures: a new Start.
    void clear();
    // "last block peak 12, RMS 3.41; last move settled in 40.1 ms, 23 % overshoot"; empty before
    // any block.
    QString text() const;

private:
    std::optional<BlockStats::Figures> lastBlock_;
    std::optional<MoveFinder::Figures> lastSettled_;
    std::vector<MoveFinder::Move> moves_; // kept to spare an allocation a block
};
