// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/ScopeGeometry.h"

#include "core/TextRules.h"

namespace ScopeGeometry {
namespace {
constexpr double kZeroLevelY = 127.5;
} // namespace

double sampleAt(float x)
{
    // Halving a float is exact, so widening afterwards keeps the single-precision result.
    return TextRules::roundHalfEven(static_cast<double>(x / kPixelsPerSample));
}

double timeAt(float x, double timeGrid) { return sampleAt(x) * timeGrid; }

double levelAt(float y)
{
    return TextRules::roundHalfEven(kZeroLevelY - static_cast<double>(y) / kPixelsPerStep);
}

} // namespace ScopeGeometry
