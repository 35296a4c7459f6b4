// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunsCommand.h"

#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/journal/JournalFiles.h"
#include "core/journal/JournalReader.h"
#include "core/journal/JournalSettings.h"
#include "core/runs/FigureFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <vector>

namespace {
// The figures the table shows for each run, beside its blocks.
const QStringList kShownFigures{QStringLiteral("moves"), QStringLiteral("settle_ms"),
                                QStringLiteral("overshoot_pct")};
const QString kStartFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kUnknown = QStringLiteral("?");
const QString kNoSessions = QStringLiteral("no sessions in %1\n");
const QString kSessionRow = QStringLiteral("%1  %2  %3  %4\n");
const QString kRunRow = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8\n");
const QString kBest = QStringLiteral("best %1: run %2\n");
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

// The figures with a better side, and the best run's number for each.
std::vector<std::pair<QString, int>> bestRuns(const QList<RunRecord>& runs)
{
    std::vector<const RunFigures::Values*> figures;
    std::vector<int> numbers;
    const RunFigures::Values none{};
    for (const RunRecord& run : runs) {
        figures.push_back(run.figures ? &*run.figures : &none);
        numbers.push_back(run.number);
    }
    std::vector<std::pair<QString, int>> best;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const QString name =
            QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size()));
        if (const std::optional<std::size_t> at = FigureFields::bestOf(figures, name))
            best.emplace_back(name, numbers[*at]);
    }
    return best;
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

QJsonObject runJson(const RunRecord& run)
{
    QJsonObject object = JournalFiles::toJson(run, true);
    object.insert(QStringLiteral("duration_ms"), run.durationMs());
    if (!run.figures)
        object.insert(QStringLiteral("figures"), QJsonValue());
    return object;
}

QString runsTable(const JournalReader::Session& session)
{
    QString text = QStringLiteral("session %1 (%2)\n").arg(session.name, session.folder);
    text += kRunRow.arg(QStringLiteral("run"), 3)
                .arg(QStringLiteral("start"), -8)
                .arg(QStringLiteral("duration"), 9)
                .arg(QStringLiteral("blocks"), 7)
                .arg(kShownFigures[0], 6)
                .arg(kShownFigures[1], 11)
                .arg(kShownFigures[2], 13)
                .arg(QStringLiteral("label"));
    const RunFigures::Values none{};
    for (const RunRecord& run : session.runs) {
        const RunFigures::Values& figures = run.figures ? *run.figures : none;
        text += kRunRow.arg(run.number, 3)
                    .arg(startText(run.start, kTimeFormat), -8)
                    .arg(durationText(run.durationMs()), 9)
                    .arg(run.blocks, 7)
                    .arg(FigureFields::shown(figures, kShownFigures[0]), 6)
                    .arg(FigureFields::shown(figures, kShownFigures[1]), 11)
                    .arg(FigureFields::shown(figures, kShownFigures[2]), 13)
                    .arg(run.label());
    }
    for (const auto& [figure, number] : bestRuns(session.runs))
        text += kBest.arg(figure).arg(number);
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
    QString text;
    if (asJson) {
        QJsonArray runs;
        for (const RunRecord& run : session->runs)
            runs.append(runJson(run));
        QJsonObject best;
        for (const auto& [figure, number] : bestRuns(session->runs))
            best.insert(figure, number);
        const QJsonObject document{
            {QStringLiteral("session"), session->name},
            {QStringLiteral("folder"), session->folder},
            {QStringLiteral("runs"), runs},
            {QStringLiteral("best"), best},
            {QStringLiteral("messages"), QJsonArray::fromStringList(session->messages)}};
        text = QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    } else {
        text = runsTable(*session);
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
