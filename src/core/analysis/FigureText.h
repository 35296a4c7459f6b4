// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's figures as people read them, in the command line's text, JSON and report and in the
// journal alike: a number to the figure's decimals, with its middle half where it has one
// ("36.00 (34.00-38.00)"); without a number, what the absence means ("not settled", "none", "-"),
// and after the figures, why, in words.

#include "core/analysis/RunFigures.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace FigureText {
QString name(RunFigures::Id figure);
// The unit in brackets after the name, or the name alone.
QString nameWithUnit(RunFigures::Id figure);
QString quantity(RunFigures::Id figure, const RunFigures::Quantity& quantity);
// The value, with its middle half when the figure has one and both quartiles are known.
QString value(RunFigures::Id figure, const RunFigures::Value& value);
QString change(RunFigures::Id figure, const RunFigures::Comparison& comparison);
// The better run's name, "same", "same (within spread)", or nothing where neither is better.
QString better(const RunFigures::Comparison& comparison, const QString& a, const QString& b);
// The best of several runs by its path's file name, "(within spread)" where another is the same.
QString best(const RunFigures::Ranking& ranking, const QStringList& paths);
// One line per reason a figure has no number: "settle_ms, settle_ms_max: not settled, 0 of 20
// moves settled".
// Why a figure has no number, in words, with the counts of moves where they tell why.
QString reason(RunFigures::Missing missing, const RunFigures::Values& figures);
QStringList absences(const RunFigures::Values& figures);
// {"rms": 3.1, "rms_p25": 2.9, ..., "settle_ms": null}
QJsonObject json(const RunFigures::Values& figures);
// Why each figure without a number has none: {"settle_ms": "not settled, 0 of 20 moves settled"}.
QJsonObject absencesJson(const RunFigures::Values& figures);
} // namespace FigureText
