// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FailConditions.h"

#include "core/analysis/FigureText.h"

#include <QRegularExpression>

#include <cmath>

namespace {
// The longer operators first, so "<=" is not read as "<" and "=5". A figure's name is taken in
// any letter case ("RMS>5").
const QRegularExpression
    kConditionPattern(QStringLiteral("^\\s*([a-z][a-z0-9_]*)\\s*(<=|>=|<|>)\\s*(\\S+)\\s*$"),
                      QRegularExpression::CaseInsensitiveOption);

std::optional<FailCondition::Compare> compareOf(const QString& text)
{
    using Compare = FailCondition::Compare;
    if (text == QLatin1String("<"))
        return Compare::Less;
    if (text == QLatin1String("<="))
        return Compare::LessOrEqual;
    if (text == QLatin1String(">"))
        return Compare::Greater;
    if (text == QLatin1String(">="))
        return Compare::GreaterOrEqual;
    return std::nullopt;
}

QString figureNames()
{
    QStringList names;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const QString name =
            QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size()));
        names << name;
        if (info.spread)
            names << name + QStringLiteral("_p25") << name + QStringLiteral("_p75");
    }
    return names.join(QStringLiteral(", "));
}
} // namespace

std::optional<FailCondition> FailCondition::parse(const QString& text, QString& reason)
{
    const QRegularExpressionMatch match = kConditionPattern.match(text);
    if (!match.hasMatch()) {
        reason = QStringLiteral("--fail-if takes a figure, one of < <= > >= and a number, such as "
                                "rms>5, not \"%1\"")
                     .arg(text);
        return std::nullopt;
    }
    const std::optional<RunFigures::Named> figure =
        RunFigures::byName(match.captured(1).toStdString());
    if (!figure) {
        reason = QStringLiteral("--fail-if: no figure is called \"%1\" (the figures: %2)")
                     .arg(match.captured(1), figureNames());
        return std::nullopt;
    }
    bool isNumber = false;
    const double limit = match.captured(3).toDouble(&isNumber);
    // No figure is ever beyond an infinite limit, and none compares with nan at all.
    if (!isNumber || !std::isfinite(limit)) {
        reason = QStringLiteral("--fail-if: \"%1\" is not a finite number").arg(match.captured(3));
        return std::nullopt;
    }
    return FailCondition{text.simplified().remove(QLatin1Char(' ')), figure->id, figure->part,
                         *compareOf(match.captured(2)), limit};
}

bool FailCondition::holdsFor(const RunFigures::Values& figures) const
{
    const RunFigures::Quantity& quantity = RunFigures::partOf(figures[figure], part);
    if (!quantity.number) {
        switch (RunFigures::meaningOf(quantity.missing)) {
        case RunFigures::Meaning::Best:
            return false;
        case RunFigures::Meaning::Unjudged:
            return true;
        case RunFigures::Meaning::Longest:
            return compare == Compare::Greater || compare == Compare::GreaterOrEqual;
        }
    }
    const double value = *quantity.number;
    switch (compare) {
    case Compare::Less:
        return value < limit;
    case Compare::LessOrEqual:
        return value <= limit;
    case Compare::Greater:
        return value > limit;
    case Compare::GreaterOrEqual:
        return value >= limit;
    }
    return false;
}

std::vector<FailedCondition> failedConditions(const std::vector<FailCondition>& conditions,
                                              const QString& path,
                                              const RunFigures::Values& figures)
{
    std::vector<FailedCondition> failed;
    for (const FailCondition& condition : conditions) {
        if (!condition.holdsFor(figures))
            continue;
        const RunFigures::Quantity& quantity =
            RunFigures::partOf(figures[condition.figure], condition.part);
        QString reason;
        if (!quantity.number) {
            reason = FigureText::reason(quantity.missing, figures);
            if (RunFigures::meaningOf(quantity.missing) == RunFigures::Meaning::Unjudged)
                reason = QStringLiteral("cannot be judged: ") + reason;
        }
        failed.push_back({path, condition.text, quantity.number, reason});
    }
    return failed;
}
