// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/ScopeGeometry.h"

#include "core/TextRules.h"

namespace ScopeGeometry {

double sampleAt(float position)
{
    // Widening a float is exact, so the single-precision position is what is rounded.
    return TextRules::roundHalfEven(static_cast<double>(position));
}

double levelAt(double position) { return TextRules::roundHalfEven(position); }

} // namespace ScopeGeometry
