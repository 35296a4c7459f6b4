// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/FigureFields.h"

#include "core/analysis/FigureText.h"

#include <QJsonValue>

#include <array>
#include <cmath>
#include <utility>

namespace {
using RunFigures::Missing;
using RunFigures::Part;

const QString kNoValue = QStringLiteral("no_value");

// How each reason is written; the file keeps them across versions, so they never change.
constexpr std::array<std::pair<Missing, const char*>, 7> kReasons{{
    {Missing::NotSettled, "not_settled"},
    {Missing::NoOvershoot, "no_overshoot"},
    {Missing::NoStandout, "no_standout"},
    {Missing::NoSamples, "no_samples"},
    {Missing::NoMoves, "no_moves"},
    {Missing::NoWholeBlock, "no_whole_block"},
    {Missing::NoGrid, "no_grid"},
}};

QString reasonName(Missing missing)
{
    for (const auto& [reason, name] : kReasons)
        if (reason == missing)
            return QString::fromLatin1(name);
    return {};
}

Missing reasonNamed(const QString& text)
{
    for (const auto& [reason, name] : kReasons)
        if (text == QLatin1String(name))
            return reason;
    // A reason this version does not know: the figure cannot be judged from here.
    return Missing::NoSamples;
}

// Each stored quantity of a figure: its value and, where it has them, its quartiles.
template <typename Visit> void forEachQuantity(Visit visit)
{
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const QString name = FigureText::name(info.id);
        visit(info.id, Part::Value, name);
        if (info.spread) {
            visit(info.id, Part::P25, name + QStringLiteral("_p25"));
            visit(info.id, Part::P75, name + QStringLiteral("_p75"));
        }
    }
}

RunFigures::Quantity& partIn(RunFigures::Value& value, Part part)
{
    return part == Part::P25 ? value.p25 : part == Part::P75 ? value.p75 : value.value;
}
} // namespace

QJsonObject FigureFields::toJson(const RunFigures::Values& figures)
{
    QJsonObject object;
    QJsonObject noValue;
    forEachQuantity([&](RunFigures::Id id, Part part, const QString& name) {
        const RunFigures::Quantity& quantity = RunFigures::partOf(figures[id], part);
        const bool finite = quantity.number && std::isfinite(*quantity.number);
        object.insert(name, finite ? QJsonValue(*quantity.number) : QJsonValue());
        if (!finite && quantity.missing != Missing::None)
            noValue.insert(name, reasonName(quantity.missing));
    });
    object.insert(kNoValue, noValue);
    return object;
}

RunFigures::Values FigureFields::fromJson(const QJsonObject& object)
{
    RunFigures::Values figures;
    const QJsonObject noValue = object.value(kNoValue).toObject();
    forEachQuantity([&](RunFigures::Id id, Part part, const QString& name) {
        RunFigures::Quantity& quantity = partIn(figures[id], part);
        const QJsonValue value = object.value(name);
        if (value.isDouble())
            quantity = RunFigures::Quantity::of(value.toDouble());
        else if (noValue.contains(name))
            quantity = RunFigures::Quantity::none(reasonNamed(noValue.value(name).toString()));
        else if (part == Part::Value)
            quantity = RunFigures::Quantity::none(Missing::NoSamples);
    });
    return figures;
}
