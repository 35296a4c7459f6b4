// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/BlockSpread.h"

#include "core/analysis/Quantiles.h"

#include <algorithm>
#include <cmath>

namespace {
template <typename Counts, typename ValueOf>
RunFigures::Value spreadOfCounts(const Counts& counts, ValueOf valueOf)
{
    std::vector<Quantiles::Counted> entries;
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i] != 0)
            entries.push_back({valueOf(i), counts[i]});
    if (entries.empty()) {
        const auto none = RunFigures::Quantity::none(RunFigures::Missing::NoSamples);
        return {none, none, none};
    }
    return Quantiles::spreadOf(entries);
}
} // namespace

void BlockSpread::add(int peak, double rms)
{
    ++blocks_;
    ++peaks_[static_cast<std::size_t>(std::clamp(peak, 0, kLargestLevel))];
    const long rounded = std::lround(rms * kRmsSteps);
    constexpr long kLargestCount = long{kLargestLevel} * kRmsSteps;
    ++rmsCounts_[static_cast<std::size_t>(std::clamp<long>(rounded, 0, kLargestCount))];
}

RunFigures::Value BlockSpread::peak() const
{
    return spreadOfCounts(peaks_, [](std::size_t i) { return double(i); });
}

RunFigures::Value BlockSpread::rms() const
{
    return spreadOfCounts(rmsCounts_, [](std::size_t i) { return double(i) / kRmsSteps; });
}
