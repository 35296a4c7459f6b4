// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's moves counted for their medians and maxima in memory that does not grow with the run.
// Every figure a median is taken of comes from a few whole numbers of samples or steps: the
// settle time is a count of samples within a block (0-299), the overshoot a ratio of two levels
// (0-128 over 1-128), the damping ratio a function of that ratio, the ringing frequency a count
// of samples between peak and overshoot. So a count for each possible value holds the run's
// moves exactly (about 140 kB however many there are), and the medians are exact.
// The run's figures are those of its settled moves: a move cut off by its block's end may not
// have reached its overshoot yet.

#include "core/analysis/MoveFinder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class MoveTally
{
public:
    static constexpr int kSamples = 300; // samples in a block
    static constexpr int kLargestLevel = 128;

    // The first settled move whose settle time is the run's median, with its levels from its
    // start to the end of its hold (or its block): the run's typical move.
    struct TypicalMove
    {
        long long block = 0;
        MoveFinder::Move move; // positions from the move's start
        std::vector<int> levels;
    };

    explicit MoveTally(const MoveFinder::Settings& settings) : settings_(settings) {}

    // Takes a move of block `block`, whose levels (missing samples aside) are `levels`.
    void add(const MoveFinder::Move& move, long long block,
             const std::array<int, kSamples>& levels);

    long long moves() const { return moves_; }
    long long settled() const { return settled_; }
    // In samples, or as a percentage; nothing without settled moves (or ringing ones).
    std::optional<double> medianSettleSamples() const;
    std::optional<int> longestSettleSamples() const;
    std::optional<double> medianOvershootPct() const;
    std::optional<double> largestOvershootPct() const;
    std::optional<double> medianDampingRatio() const;
    // Peak to overshoot is half a period of the ringing.
    std::optional<double> medianRingingHz(double timeGridMs) const;
    std::optional<TypicalMove> typicalMove() const;

private:
    struct Ratio
    {
        int overshoot;
        int peak;
        long long count;
    };
    // The settled moves' overshoot ratios in rising order, those at or within W left out on
    // request.
    std::vector<Ratio> ratios(bool onlyBeyondWindow) const;
    // The median of a rising sequence given as (value, count), by `valueOf`.
    template <typename T, typename ValueOf>
    static std::optional<double> median(const std::vector<T>& counted, ValueOf valueOf);

    MoveFinder::Settings settings_;
    long long moves_ = 0;
    long long settled_ = 0;
    std::array<long long, kSamples> settleCounts_{};
    std::array<long long, kSamples> ringingCounts_{};
    // [overshoot][peak], both absolute levels.
    std::vector<long long> overshootCounts_ =
        std::vector<long long>(std::size_t{kLargestLevel + 1} * (kLargestLevel + 1));
    // The first move that settled after each number of samples, and its levels.
    std::array<std::vector<std::int8_t>, kSamples> firstWithSettle_;
    std::array<MoveFinder::Move, kSamples> firstMoveWithSettle_{};
    std::array<long long, kSamples> firstBlockWithSettle_{};
};
