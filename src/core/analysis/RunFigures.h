// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's figures by name, in the order they are shown, and how two runs compare on each. The
// names are those the command-line program prints and takes in its pass/fail conditions.

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace RunFigures {
// Which value of a figure is the better one, if either is.
enum class Better { Lower, CloserToZero, Neither };

struct Info
{
    std::string_view name;
    Better better;
    std::string_view unit; // empty: a count
    int decimals;          // as shown to people
};

inline constexpr std::array<Info, 19> kFigures{{
    {"samples", Better::Neither, "", 0},
    {"min", Better::Neither, "steps", 0},
    {"max", Better::Neither, "steps", 0},
    {"peak", Better::Lower, "steps", 0},
    {"mean", Better::CloserToZero, "steps", 2},
    {"rms", Better::Lower, "steps", 2},
    {"sd", Better::Lower, "steps", 2},
    {"moves", Better::Neither, "", 0},
    {"settled", Better::Neither, "", 0},
    {"settle_ms", Better::Lower, "ms", 2},
    {"settle_ms_max", Better::Lower, "ms", 2},
    {"overshoot_pct", Better::Lower, "%", 1},
    {"overshoot_pct_max", Better::Lower, "%", 1},
    // A higher damping ratio is not better beyond a point, and a frequency is not better or worse.
    {"damping_ratio", Better::Neither, "", 3},
    {"ringing_hz", Better::Neither, "Hz", 2},
    {"frequency_hz", Better::Neither, "Hz", 2},
    {"frequency_amplitude", Better::Lower, "steps", 2},
    {"frequency_resolution_hz", Better::Neither, "Hz", 3},
    {"nyquist_hz", Better::Neither, "Hz", 2},
}};

// The figures of one run, one value for each of kFigures in its order (nothing: not known, such
// as the settle time of a run without settled moves).
using Values = std::array<std::optional<double>, kFigures.size()>;

// kFigures' position of the name, or nothing.
std::optional<std::size_t> indexOf(std::string_view name);

enum class Winner { A, B, Same, Neither };
struct Comparison
{
    std::optional<double> change; // b - a
    Winner better = Winner::Neither;
};
Comparison compare(std::size_t figure, std::optional<double> a, std::optional<double> b);
} // namespace RunFigures
