// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place where the runs and their journal touch a figure by name: a run's figures as the
// JSON object of session.json and back, a figure's value by name, and which run is the best on
// it. Everything else treats RunFigures::Values as a whole.

#include "core/analysis/RunFigures.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace FigureFields {
// Names as RunFigures::kFigures gives them; a figure without a value is null.
QJsonObject toJson(const RunFigures::Values& figures);
// Names that are not figures are passed over; a figure missing or null has no value.
RunFigures::Values fromJson(const QJsonObject& object);

std::optional<double> valueOf(const RunFigures::Values& figures, const QString& name);
// The figure's value as people read it, with its unit ("36.25 ms"); "-" without a value.
QString shown(const RunFigures::Values& figures, const QString& name);

// The position in `runs` of the best value of the figure, or nothing when the figure has no
// better side or no run has a value. The first of equal values wins.
std::optional<std::size_t> bestOf(const std::vector<const RunFigures::Values*>& runs,
                                  const QString& name);
} // namespace FigureFields
