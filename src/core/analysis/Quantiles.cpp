// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/Quantiles.h"

#include <cmath>
#include <optional>

namespace Quantiles {
namespace {
constexpr double kLowerQuartile = 0.25;
constexpr double kMedian = 0.5;
constexpr double kUpperQuartile = 0.75;

// Weights handed on from values cut short are shares of one, summed in floating point: a rank
// is reached when the weight seen passes it by more than this part of all the weight. Whole
// counts sum exactly, so without values cut short nothing changes.
constexpr double kWeightTolerance = 1e-9;

struct Weighted
{
    double value;
    double weight;
};

// The value of rank `rank` (from 0) of `total`, nothing for one beyond.
std::optional<double> valueAt(const std::vector<Weighted>& rising, long long rank, long long total)
{
    const double tolerance = kWeightTolerance * static_cast<double>(total);
    double seen = 0;
    for (const Weighted& entry : rising) {
        seen += entry.weight;
        if (seen > static_cast<double>(rank) + tolerance)
            return entry.value;
    }
    return std::nullopt;
}

RunFigures::Quantity quantile(const std::vector<Weighted>& rising, long long total, double q)
{
    if (total == 0)
        return {};
    const double position = q * static_cast<double>(total - 1);
    const auto lower = static_cast<long long>(std::floor(position));
    const double fraction = position - static_cast<double>(lower);
    const std::optional<double> low = valueAt(rising, lower, total);
    const std::optional<double> high = fraction > 0 ? valueAt(rising, lower + 1, total) : low;
    if (!low || !high)
        return RunFigures::Quantity::none(RunFigures::Missing::NotSettled);
    return RunFigures::Quantity::of(*low + fraction * (*high - *low));
}

long long countOf(const std::vector<Counted>& entries)
{
    long long total = 0;
    for (const Counted& entry : entries)
        total += entry.count;
    return total;
}
} // namespace

RunFigures::Value spreadOf(const std::vector<Counted>& rising, const std::vector<Counted>& cut,
                           long long beyond)
{
    const long long total = countOf(rising) + countOf(cut) + beyond;
    std::vector<Weighted> weighted;
    weighted.reserve(rising.size());
    long long passed = 0;
    double handedOn = 0; // what each value not yet passed has been given by the cut ones before it
    auto nextCut = cut.begin();
    for (const Counted& seen : rising) {
        // A value cut at the very value of one seen lies above it: the seen one comes first.
        for (; nextCut != cut.end() && nextCut->value < seen.value; ++nextCut) {
            passed += nextCut->count;
            const double share = static_cast<double>(nextCut->count) * (1 + handedOn);
            handedOn += share / static_cast<double>(total - passed);
        }
        weighted.push_back({seen.value, static_cast<double>(seen.count) * (1 + handedOn)});
        passed += seen.count;
    }
    // The cut ones above every value seen, and `beyond`, hand on to nothing that has a number.
    return {quantile(weighted, total, kMedian), quantile(weighted, total, kLowerQuartile),
            quantile(weighted, total, kUpperQuartile)};
}
} // namespace Quantiles
