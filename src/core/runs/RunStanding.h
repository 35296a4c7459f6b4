// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the run under way stands among the session's runs, for the status line: "run 4 (after
// P 120): settles in 36.3 ms, best so far". The settle time is the one the tuner judges a setting
// by; it is compared as two runs are compared anywhere else, middle halves and all. The earlier
// runs are kept as their settle figure alone, a few numbers a run.

#include "core/analysis/RunFigures.h"

#include <QString>

#include <vector>

class RunCutter;
struct RunRecord;

class RunStanding
{
public:
    explicit RunStanding(RunCutter& runs);

    // The run under way as of now (its figures worked out afresh), or the last one ended; empty
    // before any run.
    QString text() const;

    // The text for a run with these figures among the earlier ones; `ended` for one that is over.
    static QString describe(const RunRecord& run, const RunFigures::Values& figures,
                            const std::vector<std::pair<int, RunFigures::Value>>& earlier,
                            bool ended);

private:
    RunCutter& runs_;
    // The ended runs' numbers and settle times, in order.
    std::vector<std::pair<int, RunFigures::Value>> ended_;
    QString lastEnded_;
};
