// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/TraceColour.h"

#include "core/Core.h"

#include <array>

namespace {
// In the order of the buttons, left to right.
constexpr std::array<double, TraceColour::kOptionCount> kOptionColours{kYellow, kRed, kBlack,
                                                                       kMagenta};
} // namespace

TraceColour::TraceColour(Core& core) : core_(core) {}

double TraceColour::optionColour(int index)
{
    return kOptionColours.at(index);
}

void TraceColour::choose(int index)
{
    if (index < 0 || index >= kOptionCount)
        return;
    core_.state.traceColour = optionColour(index);
}
