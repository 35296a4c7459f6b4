// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's figures, in the order they are shown, and how two runs compare on each. The names are
// those the command-line program prints and takes in its pass/fail conditions.
//
// A figure without a number says why, and the why is what a pass/fail condition reads:
// - not settled: the median (or the longest) falls on a move that did not settle within its
//   block, which is longer than any bound;
// - nothing to find: no move overshoots beyond the window (so nothing rings), or no oscillation
//   stands out of the spectrum: the best case;
// - cannot be judged: no samples, no moves, no whole block, no time grid: a drive that could not
//   be judged never passes.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace RunFigures {
enum class Id : std::uint8_t {
    Samples,
    Min,
    Max,
    Peak,
    Mean,
    Rms,
    Sd,
    Moves,
    Settled,
    SettleMs,
    SettleMsMax,
    OvershootPct,
    OvershootPctMax,
    DampingRatio,
    RingingHz,
    FrequencyHz,
    FrequencyAmplitude,
    FrequencyResolutionHz,
    NyquistHz,
};
inline constexpr std::size_t kCount = static_cast<std::size_t>(Id::NyquistHz) + 1;

// Which value of a figure is the better one, if either is.
enum class Better { Lower, CloserToZero, Neither };

struct Info
{
    Id id;
    std::string_view name;
    Better better;
    std::string_view unit; // empty: a count or a ratio
    int decimals;          // as shown to people
    // The figure also has its middle half: the 25th and 75th percentiles over the run's moves
    // (or, for peak and rms, over its blocks), named name_p25 and name_p75.
    bool spread = false;
};

inline constexpr std::array<Info, kCount> kFigures{{
    {Id::Samples, "samples", Better::Neither, "", 0},
    {Id::Min, "min", Better::Neither, "steps", 0},
    {Id::Max, "max", Better::Neither, "steps", 0},
    {Id::Peak, "peak", Better::Lower, "steps", 0, true},
    {Id::Mean, "mean", Better::CloserToZero, "steps", 2},
    {Id::Rms, "rms", Better::Lower, "steps", 2, true},
    {Id::Sd, "sd", Better::Lower, "steps", 2},
    {Id::Moves, "moves", Better::Neither, "", 0},
    {Id::Settled, "settled", Better::Neither, "", 0},
    {Id::SettleMs, "settle_ms", Better::Lower, "ms", 2, true},
    {Id::SettleMsMax, "settle_ms_max", Better::Lower, "ms", 2},
    {Id::OvershootPct, "overshoot_pct", Better::Lower, "%", 1, true},
    {Id::OvershootPctMax, "overshoot_pct_max", Better::Lower, "%", 1},
    // A higher damping ratio is not better beyond a point, and a frequency is not better or worse.
    {Id::DampingRatio, "damping_ratio", Better::Neither, "", 3, true},
    {Id::RingingHz, "ringing_hz", Better::Neither, "Hz", 2, true},
    {Id::FrequencyHz, "frequency_hz", Better::Neither, "Hz", 2},
    {Id::FrequencyAmplitude, "frequency_amplitude", Better::Lower, "steps", 2},
    {Id::FrequencyResolutionHz, "frequency_resolution_hz", Better::Neither, "Hz", 3},
    {Id::NyquistHz, "nyquist_hz", Better::Neither, "Hz", 2},
}};

constexpr const Info& infoOf(Id id)
{
    return kFigures[static_cast<std::size_t>(id)];
}

// Why a quantity has no number.
enum class Missing : std::uint8_t {
    None,
    NotSettled,   // falls on a move that did not settle in its block
    NoOvershoot,  // no move overshoots beyond the in-position window: nothing rings
    NoStandout,   // no oscillation stands out of the spectrum
    NoSamples,    // the run has no sample
    NoMoves,      // the run has no move
    NoWholeBlock, // no block was received whole: no spectrum
    NoGrid,       // no block has a time grid: nothing in milliseconds or hertz
};
// What a missing number means to a pass/fail condition.
enum class Meaning { Longest, Best, Unjudged };
Meaning meaningOf(Missing missing);
// "not settled", "no oscillation stands out", "no time grid in the file: ...".
std::string_view describe(Missing missing);

// One number of a figure, or why there is none.
struct Quantity
{
    std::optional<double> number;
    Missing missing = Missing::None;

    static Quantity of(double value) { return {value, Missing::None}; }
    static Quantity none(Missing why) { return {std::nullopt, why}; }
    bool operator==(const Quantity&) const = default;
};

// A figure's value, with its middle half where the figure has one.
struct Value
{
    Quantity value;
    Quantity p25;
    Quantity p75;
    bool operator==(const Value&) const = default;
};

// Which number of a figure a condition or a column reads.
enum class Part { Value, P25, P75 };
const Quantity& partOf(const Value& value, Part part);

// The figures of one run, one value for each of kFigures.
struct Values
{
    std::array<Value, kCount> items{};

    Value& operator[](Id id) { return items[static_cast<std::size_t>(id)]; }
    const Value& operator[](Id id) const { return items[static_cast<std::size_t>(id)]; }
    bool operator==(const Values&) const = default;
};

// The figure (and its part, for "settle_ms_p75") of a name in any case, or nothing.
struct Named
{
    Id id;
    Part part;
};
std::optional<Named> byName(std::string_view name);

// A number as it orders for comparison: a move that did not settle is longer than any, nothing
// to find is lower than any, and a quantity that cannot be judged has no place.
std::optional<double> orderOf(const Quantity& quantity);

enum class Winner { A, B, Same, Neither };
struct Comparison
{
    std::optional<double> change; // b - a, when both have a number
    Winner better = Winner::Neither;
    // Same because the middle halves overlap, not because the values are equal.
    bool withinSpread = false;
};
// Two runs' values of a figure. Where both have their middle half, one is better only when its
// middle half lies wholly on the better side of the other's; two values that are shown the same
// are the same.
Comparison compare(Id figure, const Value& a, const Value& b);

// The best of several runs' values of a figure: the lowest, where lower is better; "within
// spread" where another run's value is the same as the best's by compare().
struct Ranking
{
    std::optional<std::size_t> best;
    bool withinSpread = false;
};
Ranking rank(Id figure, std::span<const Value> values);
} // namespace RunFigures
