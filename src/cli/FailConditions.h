// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pass/fail conditions of `analyse` and `capture --analyse`: "rms>5", "settle_ms>=80", a
// figure's name (or its quartile's, settle_ms_p75), one of < <= > >=, and a number. A run fails
// when any holds. A figure without a number reads as what its absence means: "not settled" is
// longer than any bound; "nothing to find" (no overshoot beyond the window, no oscillation that
// stands out) is the best case and holds no condition; "cannot be judged" (no moves, no samples,
// no time grid) holds every condition, so a drive that could not be judged never passes.

#include "core/analysis/RunFigures.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct FailCondition
{
    enum class Compare { Less, LessOrEqual, Greater, GreaterOrEqual };

    QString text; // as given
    RunFigures::Id figure = RunFigures::Id::Samples;
    RunFigures::Part part = RunFigures::Part::Value;
    Compare compare = Compare::Greater;
    double limit = 0;

    // The condition, or nothing with the reason in `reason`.
    static std::optional<FailCondition> parse(const QString& text, QString& reason);
    bool holdsFor(const RunFigures::Values& figures) const;
};

// A condition that held for a run, with the figure's value, or what its absence meant
// ("settle_ms: not settled, 0 of 20 moves settled").
struct FailedCondition
{
    QString path;
    QString condition;
    std::optional<double> value;
    QString reason; // empty when the figure has a value
};

std::vector<FailedCondition> failedConditions(const std::vector<FailCondition>& conditions,
                                              const QString& path,
                                              const RunFigures::Values& figures);
