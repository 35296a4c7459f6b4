// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's moves counted for their medians, middle halves and maxima in memory that does not grow
// with the run. Every figure comes from a few whole numbers of samples or steps: the settle time
// is a count of samples within a block (0-299) on the block's time grid, the overshoot a ratio of
// two levels (0-128 over 1-128), the damping ratio a function of that ratio, the ringing
// frequency a count of samples between peak and overshoot. So a count for each possible value
// (and each time grid the run has, a handful at most) holds the run's moves exactly, and the
// medians are exact.
//
// Every move counts. A move that did not settle within its block took longer than it was
// followed, less a hold (one begun before the end may have completed): where that is longer than
// the settled moves took, it counts as longer than any of them, and where a median falls on such
// moves the figure is "not settled". One cut short by its block's end before others settled (it
// began late in its block) tells only that much: its weight goes to the moves that took longer,
// so moves that begin late do not make a loop look slow. Its overshoot is the largest seen up to its block's end, a lower bound, counted once the
// error has crossed over; one cut before that tells nothing of its overshoot and is left out of
// it. Moves of a block without a time grid count in everything but the figures in milliseconds
// and hertz.

#include "capture/BlockSize.h"
#include "core/analysis/MoveFinder.h"
#include "core/analysis/RunFigures.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class MoveTally
{
public:
    static constexpr int kLargestLevel = 128;

    // The first settled move whose settle time is the run's median (at or just above it; with no
    // median, the middle one of those that settled), with its levels from its start to the end
    // of its hold (or its block): the run's typical move.
    struct TypicalMove
    {
        long long block = 0;
        double timeGridMs = 0;
        MoveFinder::Move move; // positions from the move's start
        std::vector<int> levels;
    };

    explicit MoveTally(const MoveFinder::Settings& settings) : settings_(settings) {}

    // Takes a move of block `block` sampled every `timeGridMs` (0: not known), whose levels
    // (missing samples aside) are `levels`.
    void add(const MoveFinder::Move& move, long long block,
             const std::array<int, kBlockSize>& levels, double timeGridMs);

    long long moves() const { return moves_; }
    long long settled() const { return settled_; }
    RunFigures::Value settleMs() const;
    RunFigures::Quantity longestSettleMs() const;
    RunFigures::Value overshootPct() const;
    RunFigures::Quantity largestOvershootPct() const;
    RunFigures::Value dampingRatio() const;
    RunFigures::Value ringingHz() const;
    std::optional<TypicalMove> typicalMove() const;

private:
    // The moves of the blocks on one time grid, by their samples.
    struct GridCounts
    {
        double timeGridMs = 0;
        std::array<long long, kBlockSize> settle{};
        // Moves that had not settled when their stretch ended, by the samples they are known to
        // have taken longer than (followed, less a hold).
        std::array<long long, kBlockSize + 1> cutAfter{};
        std::array<long long, kBlockSize> halfPeriod{};
    };
    GridCounts& countsFor(double timeGridMs);
    // The missing reason of a figure over the moves when it has no number to give.
    RunFigures::Missing noMoves() const;

    MoveFinder::Settings settings_;
    long long moves_ = 0;
    long long settled_ = 0;
    long long unsettled_ = 0;
    long long unsettledWithoutGrid_ = 0;
    long long overshootUnseen_ = 0; // moves cut before their error crossed over
    std::vector<GridCounts> grids_;
    // [overshoot][peak], both absolute levels: every move's, and the ringing moves'.
    std::vector<long long> overshootCounts_ =
        std::vector<long long>(std::size_t{kLargestLevel + 1} * (kLargestLevel + 1));
    std::vector<long long> ringingOvershootCounts_ =
        std::vector<long long>(std::size_t{kLargestLevel + 1} * (kLargestLevel + 1));
    // The first move that settled after each number of samples, and its levels.
    std::array<std::vector<std::int8_t>, kBlockSize> firstWithSettle_;
    std::array<MoveFinder::Move, kBlockSize> firstMoveWithSettle_{};
    std::array<long long, kBlockSize> firstBlockWithSettle_{};
    std::array<double, kBlockSize> firstGridWithSettle_{};
    std::array<long long, kBlockSize> settleSamples_{}; // settled moves by samples, any grid
};
