// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis of a run's tracking error, fed block by block (from a file as it is read, or from
// the chip as blocks arrive), in memory that does not grow with the run: the figures of its
// samples, its moves and their settling, its spectrum and each block's RMS and peak for a plot.
// A sample not received splits its block for the moves, as a block's end does, and leaves the
// block out of the spectrum. A run has one time grid: that of its first block.

#include "core/SharedState.h"
#include "core/analysis/BlockHistory.h"
#include "core/analysis/MoveFinder.h"
#include "core/analysis/MoveTally.h"
#include "core/analysis/RunFigures.h"
#include "core/analysis/Spectrum.h"
#include "core/scope/BlockStats.h"

#include <array>
#include <vector>

class RunAnalysis
{
public:
    static constexpr int kSamples = kBlockSize;
    // A block's values (0-255) by sample, CaptureCsv::kMissing for one not received.
    using Values = std::array<int, kSamples>;

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

    // A captured block's values.
    static Values valuesOf(const SampleBlock& block);

private:
    MoveFinder::Settings settings_;
    long long blocks_ = 0;
    double timeGridMs_ = 0;
    BlockStats::Accumulator sums_;
    MoveTally tally_;
    Spectrum spectrum_;
    BlockHistory history_;
    std::vector<MoveFinder::Move> blockMoves_;
};
