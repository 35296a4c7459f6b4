// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/Quantiles.h"

#include <cmath>
#include <optional>

namespace Quantiles {
namespace {
constexpr double kLowerQuartile = 0.25;
constexpr double kMedian = 0.5;
constexpr double kUpperQuartile = 0.75;

// The value of rank `rank` (from 0), nothing for one beyond.
std::optional<double> valueAt(const std::vector<Counted>& rising, long long rank)
{
    long long seen = 0;
    for (const Counted& entry : rising) {
        seen += entry.count;
        if (seen > rank)
            return entry.value;
    }
    return std::nullopt;
}
} // namespace

RunFigures::Quantity of(const std::vector<Counted>& rising, long long beyond, double q)
{
    long long total = beyond;
    for (const Counted& entry : rising)
        total += entry.count;
    if (total == 0)
        return {};
    const double position = q * static_cast<double>(total - 1);
    const auto lower = static_cast<long long>(std::floor(position));
    const double fraction = position - static_cast<double>(lower);
    const std::optional<double> low = valueAt(rising, lower);
    const std::optional<double> high = fraction > 0 ? valueAt(rising, lower + 1) : low;
    if (!low || !high)
        return RunFigures::Quantity::none(RunFigures::Missing::NotSettled);
    return RunFigures::Quantity::of(*low + fraction * (*high - *low));
}

RunFigures::Value spreadOf(const std::vector<Counted>& rising, long long beyond)
{
    return {of(rising, beyond, kMedian), of(rising, beyond, kLowerQuartile),
            of(rising, beyond, kUpperQuartile)};
}
} // namespace Quantiles
