// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/RunFigures.h"

#include <cmath>
#include <limits>

namespace RunFigures {
namespace {
constexpr std::string_view kP25Suffix = "_p25";
constexpr std::string_view kP75Suffix = "_p75";

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    return text.size() > suffix.size() &&
           equalIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// Shown to the figure's decimals, the two print the same.
bool shownTheSame(Id figure, double a, double b)
{
    const double scale = std::pow(10.0, infoOf(figure).decimals);
    return std::round(a * scale) == std::round(b * scale);
}

// a before b on the better side, by the figure's sense of better.
double scoreOf(Better better, double value)
{
    return better == Better::CloserToZero ? std::abs(value) : value;
}
} // namespace

Meaning meaningOf(Missing missing)
{
    switch (missing) {
    case Missing::NotSettled:
        return Meaning::Longest;
    case Missing::NoOvershoot:
    case Missing::NoStandout:
        return Meaning::Best;
    case Missing::None:
    case Missing::NoSamples:
    case Missing::NoMoves:
    case Missing::NoWholeBlock:
    case Missing::NoGrid:
        break;
    }
    return Meaning::Unjudged;
}

std::string_view describe(Missing missing)
{
    switch (missing) {
    case Missing::None:
        return {};
    case Missing::NotSettled:
        return "not settled";
    case Missing::NoOvershoot:
        return "no overshoot beyond the window";
    case Missing::NoStandout:
        return "no oscillation stands out";
    case Missing::NoSamples:
        return "no samples";
    case Missing::NoMoves:
        return "no moves";
    case Missing::NoWholeBlock:
        return "no block received whole";
    case Missing::NoGrid:
        return "no time grid in the file: the chip's timing was not answered";
    }
    return {};
}

const Quantity& partOf(const Value& value, Part part)
{
    switch (part) {
    case Part::P25:
        return value.p25;
    case Part::P75:
        return value.p75;
    case Part::Value:
        break;
    }
    return value.value;
}

std::optional<Named> byName(std::string_view name)
{
    for (const Info& info : kFigures) {
        if (equalIgnoringCase(name, info.name))
            return Named{info.id, Part::Value};
        if (!info.spread)
            continue;
        for (const auto& [suffix, part] :
             {std::pair{kP25Suffix, Part::P25}, std::pair{kP75Suffix, Part::P75}})
            if (endsWithIgnoringCase(name, suffix) &&
                equalIgnoringCase(name.substr(0, name.size() - suffix.size()), info.name))
                return Named{info.id, part};
    }
    return std::nullopt;
}

std::optional<double> orderOf(const Quantity& quantity)
{
    if (quantity.number)
        return quantity.number;
    switch (meaningOf(quantity.missing)) {
    case Meaning::Longest:
        return std::numeric_limits<double>::infinity();
    case Meaning::Best:
        // Every figure with something to find is better the lower it is.
        return -std::numeric_limits<double>::infinity();
    case Meaning::Unjudged:
        break;
    }
    return std::nullopt;
}

Comparison compare(Id figure, const Value& a, const Value& b)
{
    Comparison result;
    if (a.value.number && b.value.number)
        result.change = *b.value.number - *a.value.number;
    const Better better = infoOf(figure).better;
    if (better == Better::Neither)
        return result;
    const std::optional<double> valueA = orderOf(a.value);
    const std::optional<double> valueB = orderOf(b.value);
    if (!valueA || !valueB)
        return result;
    if (*valueA == *valueB ||
        (a.value.number && b.value.number && shownTheSame(figure, *valueA, *valueB))) {
        result.better = Winner::Same;
        return result;
    }
    const std::optional<double> lowA = orderOf(a.p25);
    const std::optional<double> highA = orderOf(a.p75);
    const std::optional<double> lowB = orderOf(b.p25);
    const std::optional<double> highB = orderOf(b.p75);
    if (infoOf(figure).spread && lowA && highA && lowB && highB) {
        // Lower is better for every figure with a middle half.
        result.better = *highA < *lowB ? Winner::A : *highB < *lowA ? Winner::B : Winner::Same;
        result.withinSpread = result.better == Winner::Same;
        return result;
    }
    const double scoreA = scoreOf(better, *valueA);
    const double scoreB = scoreOf(better, *valueB);
    result.better = scoreA < scoreB ? Winner::A : scoreB < scoreA ? Winner::B : Winner::Same;
    return result;
}
Ranking rank(Id figure, std::span<const Value> values)
{
    Ranking ranking;
    const Better better = infoOf(figure).better;
    if (better == Better::Neither)
        return ranking;
    std::optional<double> bestScore;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<double> order = orderOf(values[i].value);
        if (!order)
            continue;
        const double score = scoreOf(better, *order);
        if (!bestScore || score < *bestScore) {
            bestScore = score;
            ranking.best = i;
        }
    }
    // No run is best at not settling.
    if (!ranking.best || (std::isinf(*bestScore) && *bestScore > 0)) {
        ranking.best.reset();
        return ranking;
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (i != *ranking.best &&
            compare(figure, values[*ranking.best], values[i]).better == Winner::Same)
            ranking.withinSpread = true;
    return ranking;
}
} // namespace RunFigures
