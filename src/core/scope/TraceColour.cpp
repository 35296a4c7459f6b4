#include "core/scope/TraceColour.h"

#include "window/Fo.h"

#include <array>

namespace {
// In the order of the buttons, left to right.
constexpr std::array<double, TraceColour::kOptionCount> kOptionColours{kYellow, kRed, kBlack,
                                                                       kMagenta};
} // namespace

TraceColour::TraceColour(Fo& fo) : fo_(fo) {}

double TraceColour::optionColour(int index)
{
    return kOptionColours.at(index);
}

void TraceColour::Szin_Click(int index)
{
    if (index < 0 || index >= kOptionCount)
        return;
    fo_.state.traceColour = optionColour(index);
}
