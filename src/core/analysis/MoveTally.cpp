// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/MoveTally.h"

#include "core/analysis/Quantiles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
using RunFigures::Missing;
using RunFigures::Quantity;

constexpr std::size_t kRatioColumns = MoveTally::kLargestLevel + 1;
// Two time grids this close are one: the file's times are rounded to hundredths of a millisecond.
constexpr double kSameGridFraction = 1e-3;

// The count of an overshoot over a peak, both absolute levels (0-128).
std::size_t cellOf(int overshoot, int peak)
{
    return static_cast<std::size_t>(overshoot) * kRatioColumns + static_cast<std::size_t>(peak);
}

// The move's levels from its start to the end of its hold (the move at rest), clipped to the
// block.
std::vector<std::int8_t> traceOf(const MoveFinder::Move& move, int hold,
                                 const std::array<int, kBlockSize>& levels)
{
    const int end = std::min<int>(kBlockSize, *move.settleAt + hold);
    std::vector<std::int8_t> trace;
    trace.reserve(static_cast<std::size_t>(end - move.start));
    for (int i = move.start; i < end; ++i)
        trace.push_back(static_cast<std::int8_t>(std::clamp(levels[static_cast<std::size_t>(i)],
                                                            -MoveTally::kLargestLevel,
                                                            MoveTally::kLargestLevel - 1)));
    return trace;
}

void sortRising(std::vector<Quantiles::Counted>& entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.value < b.value; });
}

double percent(int overshoot, int peak)
{
    return 100.0 * overshoot / peak;
}

// Calls `visit(overshoot, peak, count)` for each cell of a [overshoot][peak] table that counts
// a move.
template <typename Visit> void forEachCounted(const std::vector<long long>& counts, Visit visit)
{
    for (int overshoot = 0; overshoot <= MoveTally::kLargestLevel; ++overshoot)
        for (int peak = 1; peak <= MoveTally::kLargestLevel; ++peak)
            if (const long long count = counts[cellOf(overshoot, peak)])
                visit(overshoot, peak, count);
}

// The ratios of a [overshoot][peak] table as `valueOf` gives them, in rising order.
template <typename ValueOf>
std::vector<Quantiles::Counted> ratiosOf(const std::vector<long long>& counts, ValueOf valueOf)
{
    std::vector<Quantiles::Counted> entries;
    forEachCounted(counts, [&](int overshoot, int peak, long long count) {
        entries.push_back({valueOf(overshoot, peak), count});
    });
    // Equal ratios divide to equal doubles: the division is rounded correctly.
    sortRising(entries);
    return entries;
}

} // namespace

MoveTally::GridCounts& MoveTally::countsFor(double timeGridMs)
{
    for (GridCounts& counts : grids_)
        if (std::abs(counts.timeGridMs - timeGridMs) <= kSameGridFraction * counts.timeGridMs)
            return counts;
    grids_.push_back({timeGridMs, {}, {}});
    return grids_.back();
}

void MoveTally::add(const MoveFinder::Move& move, long long block,
                    const std::array<int, kBlockSize>& levels, double timeGridMs)
{
    ++moves_;
    const int overshoot = std::min(std::abs(move.overshoot), kLargestLevel);
    const int peak = std::min(std::abs(move.peak), kLargestLevel);
    if (move.settleAt || move.overshootAt >= 0)
        ++overshootCounts_[cellOf(overshoot, peak)];
    else
        ++overshootUnseen_;
    const bool rings = MoveFinder::rings(move, settings_);
    if (rings)
        ++ringingOvershootCounts_[cellOf(overshoot, peak)];
    GridCounts* counts = timeGridMs > 0 ? &countsFor(timeGridMs) : nullptr;
    if (rings && counts)
        ++counts->halfPeriod[static_cast<std::size_t>(move.overshootAt - move.peakAt)];
    if (!move.settleAt) {
        ++unsettled_;
        // Not settled by its stretch's end, it had no hold from any sample up to H before that
        // end: it took longer than that.
        if (counts)
            ++counts->cutAfter[static_cast<std::size_t>(
                std::clamp(move.seenUntil - move.start - settings_.hold, 0, kBlockSize))];
        else
            ++unsettledWithoutGrid_;
        return;
    }
    ++settled_;
    const int settle = *move.settleAt - move.start;
    const auto at = static_cast<std::size_t>(settle);
    ++settleSamples_[at];
    if (counts)
        ++counts->settle[at];
    if (firstWithSettle_[at].empty()) {
        firstWithSettle_[at] = traceOf(move, settings_.hold, levels);
        MoveFinder::Move relative = move;
        relative.peakAt -= move.start;
        if (relative.overshootAt >= 0)
            relative.overshootAt -= move.start;
        relative.settleAt = settle;
        relative.start = 0;
        firstMoveWithSettle_[at] = relative;
        firstBlockWithSettle_[at] = block;
        firstGridWithSettle_[at] = timeGridMs;
    }
}

Missing MoveTally::noMoves() const
{
    return moves_ == 0 ? Missing::NoMoves : Missing::NoGrid;
}

RunFigures::Value MoveTally::settleMs() const
{
    std::vector<Quantiles::Counted> entries;
    std::vector<Quantiles::Counted> cut;
    for (const GridCounts& counts : grids_) {
        for (std::size_t samples = 0; samples < counts.settle.size(); ++samples)
            if (counts.settle[samples] != 0)
                entries.push_back({double(samples) * counts.timeGridMs, counts.settle[samples]});
        for (std::size_t samples = 0; samples < counts.cutAfter.size(); ++samples)
            if (counts.cutAfter[samples] != 0)
                cut.push_back({double(samples) * counts.timeGridMs, counts.cutAfter[samples]});
    }
    sortRising(entries);
    sortRising(cut);
    if (entries.empty() && unsettled_ == 0) {
        const Quantity none = Quantity::none(noMoves());
        return {none, none, none};
    }
    // An unsettled move of a block with no grid was followed for no known time.
    return Quantiles::spreadOf(entries, cut, unsettledWithoutGrid_);
}

Quantity MoveTally::longestSettleMs() const
{
    if (unsettled_ > 0)
        return Quantity::none(Missing::NotSettled);
    std::optional<double> longest;
    for (const GridCounts& counts : grids_)
        for (std::size_t samples = 0; samples < counts.settle.size(); ++samples)
            if (counts.settle[samples] != 0)
                longest = std::max(longest.value_or(0), double(samples) * counts.timeGridMs);
    return longest ? Quantity::of(*longest) : Quantity::none(noMoves());
}

RunFigures::Value MoveTally::overshootPct() const
{
    if (moves_ == 0 || overshootUnseen_ == moves_) {
        const Quantity none = Quantity::none(moves_ == 0 ? Missing::NoMoves : Missing::NotSettled);
        return {none, none, none};
    }
    return Quantiles::spreadOf(ratiosOf(overshootCounts_, percent));
}

Quantity MoveTally::largestOvershootPct() const
{
    // The largest ratio alone: no table of them to build and sort, as a live run's figures are
    // asked for every second.
    std::optional<double> largest;
    forEachCounted(overshootCounts_, [&largest](int overshoot, int peak, long long) {
        largest = std::max(largest.value_or(0), percent(overshoot, peak));
    });
    if (largest)
        return Quantity::of(*largest);
    return Quantity::none(moves_ == 0 ? Missing::NoMoves : Missing::NotSettled);
}

RunFigures::Value MoveTally::dampingRatio() const
{
    const std::vector<Quantiles::Counted> entries =
        ratiosOf(ringingOvershootCounts_, [](int overshoot, int peak) {
            return MoveFinder::dampingRatio(double(overshoot) / peak);
        });
    if (entries.empty()) {
        const Quantity none = Quantity::none(moves_ == 0 ? Missing::NoMoves : Missing::NoOvershoot);
        return {none, none, none};
    }
    return Quantiles::spreadOf(entries);
}

RunFigures::Value MoveTally::ringingHz() const
{
    std::vector<Quantiles::Counted> entries;
    bool ringsAtAll = false;
    for (int overshoot = 0; overshoot <= kLargestLevel && !ringsAtAll; ++overshoot)
        for (int peak = 1; peak <= kLargestLevel && !ringsAtAll; ++peak)
            ringsAtAll = ringingOvershootCounts_[cellOf(overshoot, peak)] != 0;
    for (const GridCounts& counts : grids_)
        for (std::size_t samples = 1; samples < counts.halfPeriod.size(); ++samples)
            if (counts.halfPeriod[samples] != 0)
                entries.push_back({MoveFinder::ringingHz(int(samples), counts.timeGridMs),
                                   counts.halfPeriod[samples]});
    sortRising(entries);
    if (entries.empty()) {
        const Missing why = moves_ == 0   ? Missing::NoMoves
                            : !ringsAtAll ? Missing::NoOvershoot
                                          : Missing::NoGrid;
        const Quantity none = Quantity::none(why);
        return {none, none, none};
    }
    return Quantiles::spreadOf(entries);
}

std::optional<MoveTally::TypicalMove> MoveTally::typicalMove() const
{
    if (settled_ == 0)
        return std::nullopt;
    // The first settled move that took as long as the run's median (which is one that settled,
    // or lies between two); with no median, the lower middle of those that settled. Either
    // really took that long.
    std::optional<std::size_t> chosen;
    if (const std::optional<double> median = settleMs().value.number) {
        for (std::size_t at = 0; at < settleSamples_.size() && !chosen; ++at)
            if (settleSamples_[at] != 0 &&
                double(at) * firstGridWithSettle_[at] >= *median * (1 - kSameGridFraction))
                chosen = at;
    }
    const long long middle = (settled_ - 1) / 2;
    long long seen = 0;
    for (std::size_t at = 0; at < settleSamples_.size() && !chosen; ++at) {
        seen += settleSamples_[at];
        if (seen > middle)
            chosen = at;
    }
    if (!chosen)
        return std::nullopt;
    const std::size_t at = *chosen;
    TypicalMove typical{
        firstBlockWithSettle_[at], firstGridWithSettle_[at], firstMoveWithSettle_[at], {}};
    for (const std::int8_t level : firstWithSettle_[at])
        typical.levels.push_back(level);
    return typical;
}
