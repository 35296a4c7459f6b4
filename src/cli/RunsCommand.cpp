// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunsCommand.h"

#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/analysis/FigureText.h"
#include "core/journal/JournalFiles.h"
#include "core/journal/JournalReader.h"
#include "core/journal/JournalSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <array>
#include <vector>

namespace {
using RunFigures::Id;
// The figures the table shows for each run, beside its blocks, with their middle halves.
constexpr std::array<Id, 3> kShownFigures{Id::Moves, Id::SettleMs, Id::OvershootPct};
constexpr std::array<int, 3> kShownWidths{6, 20, 17};
const QString kStartFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kUnknown = QStringLiteral("?");
const QString kNoSessions = QStringLiteral("no sessions in %1\n");
const QString kSessionRow = QStringLiteral("%1  %2  %3  %4\n");
const QString kRunRow = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8\n");
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

struct Best
{
    QString figure;
    int run;
    bool withinSpread; // another run is the same within the middle halves
};

// The figures with a better side, and the best run's number for each.
std::vector<Best> bestRuns(const QList<RunRecord>& runs)
{
    std::vector<Best> best;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        std::vector<RunFigures::Value> values;
        for (const RunRecord& run : runs)
            values.push_back(run.figures ? (*run.figures)[info.id] : RunFigures::Value{});
        const RunFigures::Ranking ranking = RunFigures::rank(info.id, values);
        if (ranking.best)
            best.push_back({FigureText::name(info.id), runs[qsizetype(*ranking.best)].number,
                            ranking.withinSpread});
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
                .arg(FigureText::nameWithUnit(kShownFigures[0]), kShownWidths[0])
                .arg(FigureText::nameWithUnit(kShownFigures[1]), kShownWidths[1])
                .arg(FigureText::nameWithUnit(kShownFigures[2]), kShownWidths[2])
                .arg(QStringLiteral("label"));
    for (const RunRecord& run : session.runs) {
        const auto shown = [&run](std::size_t column) {
            return run.figures ? FigureText::value(kShownFigures[column],
                                                   (*run.figures)[kShownFigures[column]])
                               : QStringLiteral("-");
        };
        text += kRunRow.arg(run.number, 3)
                    .arg(startText(run.start, kTimeFormat), -8)
                    .arg(durationText(run.durationMs()), 9)
                    .arg(run.blocks, 7)
                    .arg(shown(0), kShownWidths[0])
                    .arg(shown(1), kShownWidths[1])
                    .arg(shown(2), kShownWidths[2])
                    .arg(run.label());
    }
    for (const Best& best : bestRuns(session.runs))
        text += kBest.arg(best.figure)
                    .arg(best.run)
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
    QString text;
    if (asJson) {
        QJsonArray runs;
        for (const RunRecord& run : session->runs)
            runs.append(runJson(run));
        QJsonObject best;
        for (const Best& b : bestRuns(session->runs))
            best.insert(b.figure, QJsonObject{{QStringLiteral("run"), b.run},
                                              {QStringLiteral("within_spread"), b.withinSpread}});
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
