// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/RunFigures.h"

#include <cmath>

namespace RunFigures {
std::optional<std::size_t> indexOf(std::string_view name)
{
    for (std::size_t i = 0; i < kFigures.size(); ++i)
        if (kFigures[i].name == name)
            return i;
    return std::nullopt;
}

Comparison compare(std::size_t figure, std::optional<double> a, std::optional<double> b)
{
    Comparison result;
    if (!a || !b)
        return result;
    result.change = *b - *a;
    const Better better = kFigures[figure].better;
    if (better == Better::Neither)
        return result;
    const double scoreA = better == Better::CloserToZero ? std::abs(*a) : *a;
    const double scoreB = better == Better::CloserToZero ? std::abs(*b) : *b;
    result.better = scoreA < scoreB ? Winner::A : scoreB < scoreA ? Winner::B : Winner::Same;
    return result;
}
} // namespace RunFigures
