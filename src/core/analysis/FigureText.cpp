// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/FigureText.h"

#include <QFileInfo>

#include <map>

namespace FigureText {
namespace {
using RunFigures::Id;
using RunFigures::Missing;

const QString kNotSettled = QStringLiteral("not settled");
const QString kNothingToFind = QStringLiteral("none");
const QString kNotJudged = QStringLiteral("-");
const QString kP25 = QStringLiteral("_p25");
const QString kP75 = QStringLiteral("_p75");

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonValue jsonOf(const RunFigures::Quantity& quantity)
{
    return quantity.number ? QJsonValue(*quantity.number) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString reason(Missing missing, const RunFigures::Values& figures)
{
    QString text = fromView(RunFigures::describe(missing));
    if (missing == Missing::NotSettled)
        text += QStringLiteral(", %1 of %2 moves settled")
                    .arg(figures[Id::Settled].value.number.value_or(0))
                    .arg(figures[Id::Moves].value.number.value_or(0));
    return text;
}

QString name(Id figure)
{
    return fromView(RunFigures::infoOf(figure).name);
}

QString nameWithUnit(Id figure)
{
    const std::string_view unit = RunFigures::infoOf(figure).unit;
    return unit.empty() ? name(figure)
                        : QStringLiteral("%1 (%2)").arg(name(figure), fromView(unit));
}

QString quantity(Id figure, const RunFigures::Quantity& quantity)
{
    if (quantity.number)
        return QString::number(*quantity.number, 'f', RunFigures::infoOf(figure).decimals);
    switch (RunFigures::meaningOf(quantity.missing)) {
    case RunFigures::Meaning::Longest:
        return kNotSettled;
    case RunFigures::Meaning::Best:
        return kNothingToFind;
    case RunFigures::Meaning::Unjudged:
        break;
    }
    return kNotJudged;
}

QString value(Id figure, const RunFigures::Value& value)
{
    QString text = quantity(figure, value.value);
    if (RunFigures::infoOf(figure).spread && value.value.number &&
        (value.p25.number || value.p75.number))
        text += QStringLiteral(" (%1-%2)")
                    .arg(quantity(figure, value.p25), quantity(figure, value.p75));
    return text;
}

QString change(Id figure, const RunFigures::Comparison& comparison)
{
    return comparison.change ? quantity(figure, RunFigures::Quantity::of(*comparison.change))
                             : kNotJudged;
}

QString better(const RunFigures::Comparison& comparison, const QString& a, const QString& b)
{
    switch (comparison.better) {
    case RunFigures::Winner::A:
        return QFileInfo(a).fileName();
    case RunFigures::Winner::B:
        return QFileInfo(b).fileName();
    case RunFigures::Winner::Same:
        return comparison.withinSpread ? QStringLiteral("same (within spread)")
                                       : QStringLiteral("same");
    case RunFigures::Winner::Neither:
        break;
    }
    return {};
}

QString best(const RunFigures::Ranking& ranking, const QStringList& paths)
{
    if (!ranking.best)
        return {};
    const QString name = QFileInfo(paths[qsizetype(*ranking.best)]).fileName();
    return ranking.withinSpread ? name + QStringLiteral(" (within spread)") : name;
}

QStringList absences(const RunFigures::Values& figures)
{
    // The figures of each reason, in the figures' order.
    std::map<Missing, QStringList> named;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const RunFigures::Quantity& quantity = figures[info.id].value;
        if (!quantity.number && quantity.missing != Missing::None)
            named[quantity.missing] << name(info.id);
    }
    QStringList lines;
    for (const auto& [missing, names] : named)
        lines << QStringLiteral("%1: %2").arg(names.join(QStringLiteral(", ")),
                                              reason(missing, figures));
    return lines;
}

QJsonObject json(const RunFigures::Values& figures)
{
    QJsonObject object;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const RunFigures::Value& value = figures[info.id];
        object.insert(name(info.id), jsonOf(value.value));
        if (info.spread) {
            object.insert(name(info.id) + kP25, jsonOf(value.p25));
            object.insert(name(info.id) + kP75, jsonOf(value.p75));
        }
    }
    return object;
}

QJsonObject absencesJson(const RunFigures::Values& figures)
{
    QJsonObject object;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const RunFigures::Quantity& quantity = figures[info.id].value;
        if (!quantity.number && quantity.missing != Missing::None)
            object.insert(name(info.id), reason(quantity.missing, figures));
    }
    return object;
}
} // namespace FigureText
