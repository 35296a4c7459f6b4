// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/MoveTally.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr std::size_t kRatioColumns = MoveTally::kLargestLevel + 1;
// The count of an overshoot over a peak, both absolute levels (0-128).
std::size_t cellOf(int overshoot, int peak)
{
    return static_cast<std::size_t>(overshoot) * kRatioColumns + static_cast<std::size_t>(peak);
}

// The move's levels from its start to the end of its hold (the move at rest), clipped to the
// block.
std::vector<std::int8_t> traceOf(const MoveFinder::Move& move, int hold,
                                 const std::array<int, MoveTally::kSamples>& levels)
{
    const int end = std::min<int>(MoveTally::kSamples, *move.settleAt + hold);
    std::vector<std::int8_t> trace;
    trace.reserve(static_cast<std::size_t>(end - move.start));
    for (int i = move.start; i < end; ++i)
        trace.push_back(static_cast<std::int8_t>(std::clamp(levels[static_cast<std::size_t>(i)],
                                                            -MoveTally::kLargestLevel,
                                                            MoveTally::kLargestLevel - 1)));
    return trace;
}

struct SampleCount
{
    int samples;
    long long count;
};

std::vector<SampleCount> counted(const std::array<long long, MoveTally::kSamples>& counts)
{
    std::vector<SampleCount> entries;
    for (int i = 0; i < MoveTally::kSamples; ++i)
        if (counts[static_cast<std::size_t>(i)] != 0)
            entries.push_back({i, counts[static_cast<std::size_t>(i)]});
    return entries;
}

double percent(int overshoot, int peak)
{
    return 100.0 * overshoot / peak;
}
} // namespace

void MoveTally::add(const MoveFinder::Move& move, long long block,
                    const std::array<int, kSamples>& levels)
{
    ++moves_;
    if (!move.settleAt)
        return;
    ++settled_;
    const int settle = *move.settleAt - move.start;
    const int overshoot = std::min(std::abs(move.overshoot), kLargestLevel);
    const int peak = std::min(std::abs(move.peak), kLargestLevel);
    ++settleCounts_[static_cast<std::size_t>(settle)];
    ++overshootCounts_[cellOf(overshoot, peak)];
    if (move.overshootAt >= 0 && overshoot > settings_.window)
        ++ringingCounts_[static_cast<std::size_t>(move.overshootAt - move.peakAt)];
    if (firstWithSettle_[static_cast<std::size_t>(settle)].empty()) {
        firstWithSettle_[static_cast<std::size_t>(settle)] = traceOf(move, settings_.hold, levels);
        MoveFinder::Move relative = move;
        relative.peakAt -= move.start;
        if (relative.overshootAt >= 0)
            relative.overshootAt -= move.start;
        relative.settleAt = settle;
        relative.start = 0;
        firstMoveWithSettle_[static_cast<std::size_t>(settle)] = relative;
        firstBlockWithSettle_[static_cast<std::size_t>(settle)] = block;
    }
}

template <typename T, typename ValueOf>
std::optional<double> MoveTally::median(const std::vector<T>& counted, ValueOf valueOf)
{
    long long total = 0;
    for (const T& entry : counted)
        total += entry.count;
    if (total == 0)
        return std::nullopt;
    // The middle one, or the mean of the middle two.
    const long long lower = (total - 1) / 2;
    const long long upper = total / 2;
    std::optional<double> lowerValue;
    long long seen = 0;
    for (const T& entry : counted) {
        seen += entry.count;
        if (!lowerValue && seen > lower)
            lowerValue = valueOf(entry);
        if (seen > upper)
            return (*lowerValue + valueOf(entry)) / 2;
    }
    return lowerValue;
}

std::optional<double> MoveTally::medianSettleSamples() const
{
    return median(counted(settleCounts_), [](const SampleCount& e) { return double(e.samples); });
}

std::optional<int> MoveTally::longestSettleSamples() const
{
    const std::vector<SampleCount> entries = counted(settleCounts_);
    if (entries.empty())
        return std::nullopt;
    return entries.back().samples;
}

std::vector<MoveTally::Ratio> MoveTally::ratios(bool onlyBeyondWindow) const
{
    std::vector<Ratio> entries;
    for (int overshoot = 0; overshoot <= kLargestLevel; ++overshoot) {
        if (onlyBeyondWindow && overshoot <= settings_.window)
            continue;
        for (int peak = 1; peak <= kLargestLevel; ++peak)
            if (const long long count =
                    overshootCounts_[cellOf(overshoot, peak)])
                entries.push_back({overshoot, peak, count});
    }
    // Cross-multiplied, so equal ratios compare equal.
    std::sort(entries.begin(), entries.end(), [](const Ratio& a, const Ratio& b) {
        return a.overshoot * b.peak < b.overshoot * a.peak;
    });
    return entries;
}

std::optional<double> MoveTally::medianOvershootPct() const
{
    return median(ratios(false), [](const Ratio& r) { return percent(r.overshoot, r.peak); });
}

std::optional<double> MoveTally::largestOvershootPct() const
{
    const std::vector<Ratio> entries = ratios(false);
    if (entries.empty())
        return std::nullopt;
    return percent(entries.back().overshoot, entries.back().peak);
}

std::optional<double> MoveTally::medianDampingRatio() const
{
    // The damping ratio falls as the overshoot rises, so the middle ones are the same moves.
    return median(ratios(true), [](const Ratio& r) {
        return MoveFinder::dampingRatio(double(r.overshoot) / r.peak);
    });
}

std::optional<double> MoveTally::medianRingingHz(double timeGridMs) const
{
    // Listed from the fastest ringing down, the order of the values taken.
    std::vector<SampleCount> entries = counted(ringingCounts_);
    std::reverse(entries.begin(), entries.end());
    return median(entries, [timeGridMs](const SampleCount& e) {
        return 1000.0 / (2 * e.samples * timeGridMs);
    });
}

std::optional<MoveTally::TypicalMove> MoveTally::typicalMove() const
{
    const std::vector<SampleCount> entries = counted(settleCounts_);
    if (entries.empty())
        return std::nullopt;
    // The lower middle: a move that really took that long.
    const long long middle = (settled_ - 1) / 2;
    long long seen = 0;
    for (const SampleCount& entry : entries) {
        seen += entry.count;
        if (seen > middle) {
            const auto at = static_cast<std::size_t>(entry.samples);
            TypicalMove typical{firstBlockWithSettle_[at], firstMoveWithSettle_[at], {}};
            for (const std::int8_t level : firstWithSettle_[at])
                typical.levels.push_back(level);
            return typical;
        }
    }
    return std::nullopt;
}
