// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pass/fail conditions of `analyse` and `capture --analyse`: "rms>5", "settle_ms>=80", a
// figure's name, one of < <= > >=, and a number. A run fails when any holds; a figure the run
// does not have (no settled move, say) holds no condition.

#include "core/analysis/RunFigures.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct FailCondition
{
    enum class Compare { Less, LessOrEqual, Greater, GreaterOrEqual };

    QString text; // as given
    std::size_t figure = 0;
    Compare compare = Compare::Greater;
    double limit = 0;

    // The condition, or nothing with the reason in `reason`.
    static std::optional<FailCondition> parse(const QString& text, QString& reason);
    bool holdsFor(const RunFigures::Values& figures) const;
};

// A condition that held for a run, with the figure's value.
struct FailedCondition
{
    QString path;
    QString condition;
    double value = 0;
};

std::vector<FailedCondition> failedConditions(const std::vector<FailCondition>& conditions,
                                              const QString& path,
                                              const RunFigures::Values& figures);
