// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A journal session made up for the benchmarks, written as the window writes one: each run's
// own file and session.json listing them all, with figures that differ from run to run; what
// else a run keeps on disk (its blocks, its listing) each benchmark adds as it needs.

#include "core/journal/JournalFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <functional>

namespace bench {
inline RunRecord syntheticRun(int number, const QDateTime& start)
{
    constexpr int kFigureSpread = 17;
    RunRecord run;
    run.number = number;
    run.start = start.addSecs(number * 20);
    run.end = run.start.addSecs(15);
    run.portNumber = 33;
    run.device = QStringLiteral("/dev/ttyUSB0");
    run.timeGridMs = 1.909;
    run.blocks = 570;
    run.sent = QStringList{QStringLiteral("P %1").arg(100 + number)};
    RunFigures::Values figures{};
    for (std::size_t i = 0; i < figures.items.size(); ++i) {
        const double value = static_cast<double>(number % kFigureSpread) + double(i) / 3;
        figures.items[i] = {RunFigures::Quantity::of(value), RunFigures::Quantity::of(value - 1),
                            RunFigures::Quantity::of(value + 1)};
    }
    run.figures = figures;
    return run;
}

// The session's folder under `root`, or empty when it could not be written. `runFiles` writes a
// run's other files into the folder; false stops.
inline QString writeSyntheticSession(const QDir& root, const QDateTime& start, int runs,
                                     const std::function<bool(const QDir&, int)>& runFiles)
{
    const QString name = JournalFiles::sessionName(start);
    if (!root.mkpath(name))
        return {};
    const QDir folder(root.filePath(name));
    QJsonArray listed;
    QString error;
    for (int number = 1; number <= runs; ++number) {
        const RunRecord run = syntheticRun(number, start);
        if (!runFiles(folder, number) ||
            !JournalFiles::saveWhole(folder.filePath(JournalFiles::runFile(number)),
                                     QJsonDocument(JournalFiles::toJson(run, false)).toJson(),
                                     error))
            return {};
        listed.append(JournalFiles::toJson(run, true));
    }
    const QJsonObject session{{QStringLiteral("format"), JournalFiles::kFormat},
                              {QStringLiteral("session"), name},
                              {QStringLiteral("runs"), listed}};
    if (!JournalFiles::saveWhole(folder.filePath(JournalFiles::kSessionFile),
                                 QJsonDocument(session).toJson(), error))
        return {};
    return folder.path();
}
} // namespace bench
