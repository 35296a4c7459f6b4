// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/RunStanding.h"

#include "core/analysis/FigureText.h"
#include "core/runs/RunCutter.h"

namespace {
using RunFigures::Id;

const QString kRun = QStringLiteral("run %1");
const QString kAfter = QStringLiteral(" (after %1)");
const QString kSettles = QStringLiteral(": settles in %1 ms");
const QString kSettled = QStringLiteral(": settled in %1 ms");
const QString kNotSettled = QStringLiteral(": moves not settled");
const QString kNoMoves = QStringLiteral(": no moves yet");
const QString kNoMovesEnded = QStringLiteral(": no moves");
const QString kBestSoFar = QStringLiteral(", best so far");
const QString kSameAsBest = QStringLiteral(", as run %1 within spread");
const QString kBehindBest = QStringLiteral(", run %1 settled sooner (%2 ms)");
} // namespace

RunStanding::RunStanding(RunCutter& runs) : runs_(runs)
{
    QObject::connect(&runs, &RunCutter::runEnded, &runs, [this](const RunRecord& run) {
        if (!run.figures)
            return;
        lastEnded_ = describe(run, *run.figures, ended_, true);
        ended_.emplace_back(run.number, (*run.figures)[Id::SettleMs]);
    });
}

QString RunStanding::text() const
{
    const RunRecord* run = runs_.currentRun();
    if (!run)
        return lastEnded_;
    const std::optional<RunFigures::Values> figures = runs_.currentFigures();
    return figures ? describe(*run, *figures, ended_, false) : QString();
}

QString RunStanding::describe(const RunRecord& run, const RunFigures::Values& figures,
                              const std::vector<std::pair<int, RunFigures::Value>>& earlier,
                              bool ended)
{
    QString text = kRun.arg(run.number);
    if (!run.label().isEmpty())
        text += kAfter.arg(run.label());
    const RunFigures::Value& settle = figures[Id::SettleMs];
    if (!settle.value.number) {
        if (settle.value.missing == RunFigures::Missing::NotSettled)
            return text + kNotSettled;
        return text + (ended ? kNoMovesEnded : kNoMoves);
    }
    text += (ended ? kSettled : kSettles).arg(FigureText::quantity(Id::SettleMs, settle.value));
    // The best earlier run on the settle time: the lowest median, as a ranking of runs finds it.
    std::vector<RunFigures::Value> settles;
    settles.reserve(earlier.size());
    for (const auto& [number, value] : earlier)
        settles.push_back(value);
    const std::optional<std::size_t> best = RunFigures::rank(Id::SettleMs, settles).best;
    if (!best)
        return text + kBestSoFar;
    const RunFigures::Comparison c =
        RunFigures::compare(Id::SettleMs, settle, earlier[*best].second);
    if (c.better == RunFigures::Winner::A)
        return text + kBestSoFar;
    if (c.better == RunFigures::Winner::Same)
        return text + kSameAsBest.arg(earlier[*best].first);
    return text + kBehindBest.arg(earlier[*best].first)
                      .arg(FigureText::quantity(Id::SettleMs, earlier[*best].second.value));
}
