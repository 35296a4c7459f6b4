// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What `analyse` and `capture --analyse` print: each move as it is found, then each run's
// figures; for two runs the figures side by side with the change and the better run; then the
// conditions that failed. Text for people, or one JSON document written as it goes, so a long
// run's moves are never held:
//   {"files": [{"path", "moves": [...], "blocks", "time_grid_ms", "figures": {...}}],
//    "compare": {"rms": {"a", "b", "change", "better"}, ...}, "failed": [...]}
// The document is begun by the first run's first block, so a failure before it prints nothing;
// one after it closes the document where it stopped, with the failure as the top level's
// "error" (a run cut short keeps its path and the moves found, without its figures).

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
        QString label; // null: not known
    };

    AnalysisPrinter(bool json, std::FILE* output) : json_(json), output_(output) {}

    // The run's beginning is printed with its first block (or at its end, for one without).
    // `label`: what was sent to the chip before the run (a journal's run); null: not known.
    void beginRun(const QString& path, const QString& label = QString());
    void printMoves(long long block, const std::vector<MoveFinder::Move>& moves, double timeGridMs,
                    const MoveFinder::Settings& settings);
    // `droppedFromLine`: the line a torn last block, left out, starts on (0: none).
    void endRun(const RunAnalysis& analysis, long long droppedFromLine = 0);
    // The comparison of two runs (none for one) and the conditions that held; `error`, when the
    // command failed after all (a report not written, a capture's lost device), as "error".
    void finish(const std::vector<Run>& runs, const std::vector<FailedCondition>& failed,
                const QString& error = {});
    // Ends the output at a failure, told on standard error as `error`: the JSON document, if
    // begun, is closed with it; text ends where it is.
    void endWithError(const QString& error);

    // False once a write has failed.
    bool written() const { return written_; }

private:
    void print(const QString& text);
    // Prints the beginning of the run that beginRun named, once.
    void openRun();
    void printMoveText(long long block, const MoveFinder::Figures& move);
    void printMoveJson(long long block, const MoveFinder::Figures& move);

    bool json_;
    std::FILE* output_;
    bool written_ = true;
    int runs_ = 0; // runs whose beginning was printed
    QString runPath_;
    QString runLabel_;
    bool runOpen_ = false; // its beginning printed, its end not yet
    long long movesOfRun_ = 0;
};
