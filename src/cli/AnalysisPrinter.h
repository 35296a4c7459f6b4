// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What `analyse` and `capture --analyse` print: each move as it is found, then each run's
// figures; for two runs the figures side by side with the change and the better run; then the
// conditions that failed. Text for people, or one JSON document written as it goes, so a long
// run's moves are never held:
//   {"files": [{"path", "moves": [...], "blocks", "time_grid_ms", "figures": {...}}],
//    "compare": {"rms": {"a", "b", "change", "better"}, ...}, "failed": [...]}

#include "cli/FailConditions.h"
#include "core/analysis/MoveFinder.h"
#include "core/analysis/RunFigures.h"

#include <QString>

#include <cstdio>
#include <vector>

class RunAnalysis;

class AnalysisPrinter
{
public:
    struct Run
    {
        QString path;
        RunFigures::Values figures;
    };

    AnalysisPrinter(bool json, std::FILE* output) : json_(json), output_(output) {}

    void beginRun(const QString& path);
    void printMoves(long long block, const std::vector<MoveFinder::Move>& moves, double timeGridMs,
                    const MoveFinder::Settings& settings);
    // `droppedFromLine`: the line a torn last block, left out, starts on (0: none).
    void endRun(const RunAnalysis& analysis, long long droppedFromLine = 0);
    // The comparison of two runs (none for one) and the conditions that held.
    void finish(const std::vector<Run>& runs, const std::vector<FailedCondition>& failed);

    // False once a write has failed.
    bool written() const { return written_; }

private:
    void print(const QString& text);
    void printMoveText(long long block, const MoveFinder::Figures& move);
    void printMoveJson(long long block, const MoveFinder::Figures& move);

    bool json_;
    std::FILE* output_;
    bool written_ = true;
    int runs_ = 0;
    long long movesOfRun_ = 0;
};
