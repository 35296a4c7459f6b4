// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis of a run's tracking error, fed block by block (from a file as it is read, or from
// the chip as blocks arrive), in memory that does not grow with the run: the figures of its
// samples, its moves and their settling, its spectrum and each block's RMS and peak for a plot.
// A sample not received splits its block for the moves, as a block's end does; a block lacking
// any sample but its last is left out of the spectrum. Each block's moves are timed on that
// block's own time grid (0: the chip's timing was not answered, and nothing is in milliseconds);
// the spectrum takes the blocks on the first block's grid, and that is the run's grid.

#include "core/analysis/BlockHistory.h"
#include "core/analysis/BlockLevels.h"
#include "core/analysis/BlockSpread.h"
#include "core/analysis/MoveFinder.h"
#include "core/analysis/MoveTally.h"
#include "core/analysis/RunFigures.h"
#include "core/analysis/Spectrum.h"
#include "core/scope/BlockStats.h"

#include <vector>

class RunAnalysis
{
public:
    using Values = BlockLevels::Values;

    explicit RunAnalysis(const MoveFinder::Settings& settings);

    // Takes block `number`, sampled every `timeGridMs`; returns its moves (until the next block).
    const std::vector<MoveFinder::Move>& addBlock(long long number, const Values& values,
                                                  double timeGridMs);

    const MoveFinder::Settings& settings() const { return settings_; }
    long long blocks() const { return blocks_; }
    double timeGridMs() const { return timeGridMs_; }
    RunFigures::Values figures() const;
    const Spectrum& spectrum() const { return spectrum_; }
    const BlockHistory& history() const { return history_; }
    std::optional<MoveTally::TypicalMove> typicalMove() const { return tally_.typicalMove(); }

private:
    MoveFinder::Settings settings_;
    long long blocks_ = 0;
    double timeGridMs_ = 0;
    BlockStats::Accumulator sums_;
    BlockSpread blockSpread_;
    MoveTally tally_;
    Spectrum spectrum_;
    BlockHistory history_;
    std::vector<MoveFinder::Move> blockMoves_;
};
