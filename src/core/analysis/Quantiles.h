// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Medians and quartiles of counted values: the q-quantile lies q of the way from the first to the
// last in rising order, between two neighbours as the median of an even count does. Values
// "beyond" stand above all the others with no number (moves that did not settle): a quantile
// that touches one has none.

#include "core/analysis/RunFigures.h"

#include <vector>

namespace Quantiles {
struct Counted
{
    double value;
    long long count;
};

// The median with its 25th and 75th percentiles of `rising` (values in rising order, equal ones
// together or not), `cut` and `beyond`; nothing (Missing::None) when there are none at all.
// `cut` (in rising order) are only known to lie above their value (a move whose block ended
// before it settled, after that long). Each one's weight goes in equal shares to the values above
// it, seen or cut (the product-limit estimate); what has nothing above it stays beyond. With
// nothing cut below the largest value seen, the cut ones count as `beyond` does.
RunFigures::Value spreadOf(const std::vector<Counted>& rising, const std::vector<Counted>& cut = {},
                           long long beyond = 0);
} // namespace Quantiles
