// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's figures as the journal stores them in session.json, and back: each figure's number or
// null by its name, its quartiles beside it (settle_ms_p25, settle_ms_p75), and under
// "no_value" why each null has none, so a run read back judges and compares as it did.

#include "core/analysis/RunFigures.h"

#include <QJsonObject>

namespace FigureFields {
QJsonObject toJson(const RunFigures::Values& figures);
// Names that are not figures are passed over; a figure missing, or null without a reason, cannot
// be judged.
RunFigures::Values fromJson(const QJsonObject& object);
} // namespace FigureFields
