// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/FigureFields.h"

#include <QJsonValue>

#include <cmath>

namespace {
const QString kNoValue = QStringLiteral("-");

QString nameOf(const RunFigures::Info& info)
{
    return QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size()));
}

std::optional<std::size_t> indexOf(const QString& name)
{
    return RunFigures::indexOf(name.toStdString());
}
} // namespace

QJsonObject FigureFields::toJson(const RunFigures::Values& figures)
{
    QJsonObject object;
    for (std::size_t i = 0; i < RunFigures::kFigures.size(); ++i) {
        const std::optional<double>& value = figures[i];
        object.insert(nameOf(RunFigures::kFigures[i]),
                      value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue());
    }
    return object;
}

RunFigures::Values FigureFields::fromJson(const QJsonObject& object)
{
    RunFigures::Values figures{};
    for (std::size_t i = 0; i < RunFigures::kFigures.size(); ++i) {
        const QJsonValue value = object.value(nameOf(RunFigures::kFigures[i]));
        if (value.isDouble())
            figures[i] = value.toDouble();
    }
    return figures;
}

std::optional<double> FigureFields::valueOf(const RunFigures::Values& figures, const QString& name)
{
    const std::optional<std::size_t> index = indexOf(name);
    return index ? figures[*index] : std::nullopt;
}

QString FigureFields::shown(const RunFigures::Values& figures, const QString& name)
{
    const std::optional<std::size_t> index = indexOf(name);
    if (!index || !figures[*index])
        return kNoValue;
    const RunFigures::Info& info = RunFigures::kFigures[*index];
    QString number = QString::number(*figures[*index], 'f', info.decimals);
    if (info.unit.empty())
        return number;
    return number + QLatin1Char(' ') +
           QString::fromLatin1(info.unit.data(), static_cast<qsizetype>(info.unit.size()));
}

std::optional<std::size_t> FigureFields::bestOf(const std::vector<const RunFigures::Values*>& runs,
                                                const QString& name)
{
    const std::optional<std::size_t> index = indexOf(name);
    if (!index)
        return std::nullopt;
    std::optional<std::size_t> best;
    for (std::size_t run = 0; run < runs.size(); ++run) {
        if (!(*runs[run])[*index])
            continue;
        if (!best) {
            best = run;
            continue;
        }
        const RunFigures::Comparison c =
            RunFigures::compare(*index, (*runs[*best])[*index], (*runs[run])[*index]);
        if (c.better == RunFigures::Winner::Neither)
            return std::nullopt;
        if (c.better == RunFigures::Winner::B)
            best = run;
    }
    return best;
}
