// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunsCommand.h"

#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/analysis/FigureText.h"
#include "core/journal/JournalFiles.h"
#include "core/journal/JournalReader.h"
#include "core/journal/JournalSettings.h"
#include "core/runs/RunsModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <array>

namespace {
using RunFigures::Id;
// A figure the table shows for each run, beside its blocks, with its middle half: the model's
// column for it, and the width of its value. A figure with a better side is followed by its
// change against the run before, in the model's words.
struct ShownFigure
{
    RunsModel::Column column;
    Id figure;
    int width;
};
constexpr std::array<ShownFigure, 3> kShownFigures{{
    {RunsModel::Moves, Id::Moves, 6},
    {RunsModel::Settle, Id::SettleMs, 20},
    {RunsModel::Overshoot, Id::OvershootPct, 17},
}};
// Wide enough for the longest change, "same (within spread)".
constexpr int kChangeWidth = 20;
const QString kChangeHeader = QStringLiteral("%1 change");
const QString kStartFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kUnknown = QStringLiteral("?");
const QString kNoSessions = QStringLiteral("no sessions in %1\n");
const QString kSessionRow = QStringLiteral("%1  %2  %3  %4\n");
const QString kColumnGap = QStringLiteral("  ");
const QString kBest = QStringLiteral("best %1: run %2%3\n");
constexpr int kMsPerSecond = 1000;

QString startText(const QDateTime& start, const QString& format)
{
    return start.isValid() ? start.toString(format) : kUnknown;
}

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString durationText(qint64 ms)
{
    return QStringLiteral("%1 s").arg(static_cast<double>(ms) / kMsPerSecond, 0, 'f', 1);
}

int listSessions(const QString& root, bool asJson)
{
    const QList<JournalReader::SessionSummary> sessions = JournalReader::sessions(root);
    QString text;
    if (asJson) {
        QJsonArray array;
        for (const JournalReader::SessionSummary& s : sessions)
            array.append(QJsonObject{
                {QStringLiteral("name"), s.name},
                {QStringLiteral("start"),
                 s.start.isValid() ? QJsonValue(s.start.toString(Qt::ISODate)) : QJsonValue()},
                {QStringLiteral("runs"), s.runs},
                {QStringLiteral("bytes"), s.bytes},
                {QStringLiteral("folder"), s.folder}});
        text = QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("sessions"), array}})
                                     .toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    } else if (sessions.isEmpty()) {
        text = kNoSessions.arg(root);
    } else {
        text = kSessionRow.arg(QStringLiteral("start"), -19)
                   .arg(QStringLiteral("runs"), 5)
                   .arg(QStringLiteral("size"), 9)
                   .arg(QStringLiteral("folder"));
        for (const JournalReader::SessionSummary& s : sessions)
            text += kSessionRow.arg(startText(s.start, kStartFormat), -19)
                        .arg(s.runs, 5)
                        .arg(sizeText(s.bytes), 9)
                        .arg(s.folder);
    }
    return CliText::printResult(text) ? ExitStatus::kDone : ExitStatus::kIoFailure;
}

bool hasBetterSide(Id figure)
{
    return RunFigures::infoOf(figure).better != RunFigures::Better::Neither;
}

// Each run's record, and its change against the run before on every figure the model has a
// word for.
QJsonObject runJson(const RunsModel& model, int row)
{
    const RunRecord& run = model.run(row);
    QJsonObject object = JournalFiles::toJson(run, true);
    object.insert(QStringLiteral("duration_ms"), run.durationMs());
    if (!run.figures)
        object.insert(QStringLiteral("figures"), QJsonValue());
    QJsonObject change;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const QString word = model.change(row, info.id);
        if (!word.isEmpty())
            change.insert(FigureText::name(info.id), word);
    }
    object.insert(QStringLiteral("change"), change);
    return object;
}

// The session's best run of each figure that has one, by the model's ranking.
QJsonObject bestJson(const RunsModel& model)
{
    QJsonObject best;
    for (const RunFigures::Info& info : RunFigures::kFigures)
        if (const RunsModel::Best& b = model.best(info.id); b.row)
            best.insert(FigureText::name(info.id),
                        QJsonObject{{QStringLiteral("run"), model.run(*b.row).number},
                                    {QStringLiteral("within_spread"), b.withinSpread}});
    return best;
}

QString tableRow(const QStringList& cells)
{
    return cells.join(kColumnGap) + QLatin1Char('\n');
}

QString runsTable(const JournalReader::Session& session, const RunsModel& model)
{
    QString text = QStringLiteral("session %1 (%2)\n").arg(session.name, session.folder);
    QStringList header{QStringLiteral("run"), QStringLiteral("start").leftJustified(8),
                       QStringLiteral("duration").rightJustified(9),
                       QStringLiteral("blocks").rightJustified(7)};
    for (const ShownFigure& shown : kShownFigures) {
        header << FigureText::nameWithUnit(shown.figure).rightJustified(shown.width);
        if (hasBetterSide(shown.figure))
            header << kChangeHeader.arg(FigureText::name(shown.figure)).leftJustified(kChangeWidth);
    }
    text += tableRow(header << QStringLiteral("label"));
    for (int row = 0; row < model.runCount(); ++row) {
        const RunRecord& run = model.run(row);
        QStringList cells{QString::number(run.number).rightJustified(3),
                          startText(run.start, kTimeFormat).leftJustified(8),
                          durationText(run.durationMs()).rightJustified(9),
                          QString::number(run.blocks).rightJustified(7)};
        for (const ShownFigure& shown : kShownFigures) {
            cells << model.cellText(row, shown.column).rightJustified(shown.width);
            if (hasBetterSide(shown.figure))
                cells << model.change(row, shown.figure).leftJustified(kChangeWidth);
        }
        text += tableRow(cells << run.label());
    }
    for (const RunFigures::Info& info : RunFigures::kFigures)
        if (const RunsModel::Best& best = model.best(info.id); best.row)
            text +=
                kBest.arg(FigureText::name(info.id))
                    .arg(model.run(*best.row).number)
                    .arg(best.withinSpread ? QStringLiteral(" (others within spread)") : QString());
    return text;
}

int listRuns(const QString& root, const QString& which, bool asJson)
{
    QString error;
    const std::optional<JournalReader::Session> session =
        JournalReader::session(root, which, error);
    if (!session) {
        CliText::printError(error);
        return ExitStatus::kIoFailure;
    }
    for (const QString& message : session->messages)
        CliText::printError(message);
    // The Runs window's model: which run is best and how each run did against the one before
    // are worked out there alone.
    RunsModel model;
    model.showRuns(session->runs);
    QString text;
    if (asJson) {
        QJsonArray runs;
        for (int row = 0; row < model.runCount(); ++row)
            runs.append(runJson(model, row));
        const QJsonObject document{
            {QStringLiteral("session"), session->name},
            {QStringLiteral("folder"), session->folder},
            {QStringLiteral("runs"), runs},
            {QStringLiteral("best"), bestJson(model)},
            {QStringLiteral("messages"), QJsonArray::fromStringList(session->messages)}};
        text = QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    } else {
        text = runsTable(*session, model);
    }
    return CliText::printResult(text) ? ExitStatus::kDone : ExitStatus::kIoFailure;
}
} // namespace

int RunsCommand::run(const CliOptions& options, const SettingsStore& settings)
{
    const QString root = JournalSettings::placeOf(settings, options.journalFolder, false).root;
    if (options.session.isEmpty())
        return listSessions(root, options.json);
    return listRuns(root, options.session, options.json);
}
