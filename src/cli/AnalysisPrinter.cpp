// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalysisPrinter.h"

#include "core/analysis/FigureText.h"
#include "core/analysis/RunAnalysis.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
using RunFigures::Id;
const QString kBetterKey = QStringLiteral("better");
const QString kErrorKey = QStringLiteral("error");

const QString kNoGrid = QStringLiteral("no time grid (the chip's timing was not answered)");

// The run's time grid, nothing when the file has none.
std::optional<double> gridOf(const RunAnalysis& analysis)
{
    return analysis.timeGridMs() > 0 ? std::optional(analysis.timeGridMs()) : std::nullopt;
}

QJsonValue jsonOf(std::optional<double> value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString winnerText(RunFigures::Winner winner)
{
    switch (winner) {
    case RunFigures::Winner::A:
        return QStringLiteral("a");
    case RunFigures::Winner::B:
        return QStringLiteral("b");
    case RunFigures::Winner::Same:
        return QStringLiteral("same");
    case RunFigures::Winner::Neither:
        break;
    }
    return {};
}

std::vector<RunFigures::Value> valuesOf(RunFigures::Id figure,
                                        const std::vector<AnalysisPrinter::Run>& runs)
{
    std::vector<RunFigures::Value> values;
    values.reserve(runs.size());
    for (const AnalysisPrinter::Run& run : runs)
        values.push_back(run.figures[figure]);
    return values;
}

// The best of three runs or more.
QString bestText(RunFigures::Id figure, const std::vector<AnalysisPrinter::Run>& runs)
{
    QStringList paths;
    for (const AnalysisPrinter::Run& run : runs)
        paths << run.path;
    return FigureText::best(RunFigures::rank(figure, valuesOf(figure, runs)), paths);
}

// The figures of each run in columns, with the change and the better run for two; then why
// the figures without a number have none.
QString figuresTable(const std::vector<AnalysisPrinter::Run>& runs)
{
    constexpr int kNameWidth = 30;
    std::vector<QStringList> columns; // the header, then a cell for each figure
    for (const AnalysisPrinter::Run& run : runs) {
        QStringList cells{QFileInfo(run.path).fileName()};
        for (const RunFigures::Info& info : RunFigures::kFigures)
            cells << FigureText::value(info.id, run.figures[info.id]);
        columns.push_back(cells);
    }
    if (runs.size() == 2) {
        QStringList changes{QStringLiteral("change")};
        QStringList better{QStringLiteral("better")};
        for (const RunFigures::Info& info : RunFigures::kFigures) {
            const RunFigures::Comparison c =
                RunFigures::compare(info.id, runs[0].figures[info.id], runs[1].figures[info.id]);
            changes << FigureText::change(info.id, c);
            better << FigureText::better(c, runs[0].path, runs[1].path);
        }
        columns.push_back(changes);
        columns.push_back(better);
    } else if (runs.size() > 2) {
        QStringList best{QStringLiteral("best")};
        for (const RunFigures::Info& info : RunFigures::kFigures)
            best << bestText(info.id, runs);
        columns.push_back(best);
    }
    std::vector<qsizetype> widths;
    for (const QStringList& cells : columns) {
        qsizetype width = 0;
        for (const QString& cell : cells)
            width = std::max(width, cell.size());
        widths.push_back(width);
    }
    QString text;
    for (qsizetype row = 0; row <= qsizetype(RunFigures::kFigures.size()); ++row) {
        QString line = QStringLiteral("%1").arg(
            row == 0 ? QString() : FigureText::nameWithUnit(RunFigures::kFigures[row - 1].id),
            -kNameWidth);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            // The better run's name is the last column, left-aligned; the numbers right-aligned.
            const bool last = runs.size() >= 2 && c + 1 == columns.size();
            line += QStringLiteral("  %1").arg(columns[c][row], int(last ? 0 : widths[c]));
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    for (const AnalysisPrinter::Run& run : runs)
        for (const QString& absence : FigureText::absences(run.figures))
            text += QStringLiteral("%1: %2\n").arg(QFileInfo(run.path).fileName(), absence);
    return text;
}

// Three runs or more: each figure's values, their change against the first and the best run.
QJsonObject rankingJson(const std::vector<AnalysisPrinter::Run>& runs)
{
    QJsonObject compare;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const std::vector<RunFigures::Value> values = valuesOf(info.id, runs);
        QJsonArray numbers;
        QJsonArray changes;
        for (const RunFigures::Value& value : values) {
            numbers.append(jsonOf(value.value.number));
            changes.append(jsonOf(RunFigures::compare(info.id, values.front(), value).change));
        }
        const RunFigures::Ranking ranking = RunFigures::rank(info.id, values);
        compare.insert(
            FigureText::name(info.id),
            QJsonObject{
                {QStringLiteral("values"), numbers},
                {QStringLiteral("change"), changes},
                {QStringLiteral("best"), ranking.best ? QJsonValue(runs[*ranking.best].path)
                                                      : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("within_spread"), ranking.withinSpread},
            });
    }
    return compare;
}

QJsonObject compareJson(const std::vector<AnalysisPrinter::Run>& runs)
{
    QJsonObject compare;
    if (runs.size() > 2)
        return rankingJson(runs);
    if (runs.size() != 2)
        return compare;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        const RunFigures::Comparison c =
            RunFigures::compare(info.id, runs[0].figures[info.id], runs[1].figures[info.id]);
        const QString better = winnerText(c.better);
        compare.insert(
            FigureText::name(info.id),
            QJsonObject{
                {QStringLiteral("a"), jsonOf(runs[0].figures[info.id].value.number)},
                {QStringLiteral("b"), jsonOf(runs[1].figures[info.id].value.number)},
                {QStringLiteral("change"), jsonOf(c.change)},
                {kBetterKey, better.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(better)},
                {QStringLiteral("within_spread"), c.withinSpread},
            });
    }
    return compare;
}

QString failedText(const FailedCondition& failed)
{
    const QString value = failed.value ? QString::number(*failed.value, 'g', 6) : failed.reason;
    return QStringLiteral("FAILED %1: %2 (%3)\n").arg(failed.path, failed.condition, value);
}
} // namespace

void AnalysisPrinter::print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), output_) !=
        static_cast<std::size_t>(bytes.size()))
        written_ = false;
}

void AnalysisPrinter::beginRun(const QString& path, const QString& label)
{
    movesOfRun_ = 0;
    runPath_ = path;
    runLabel_ = label;
    runOpen_ = false;
}

void AnalysisPrinter::openRun()
{
    if (runOpen_)
        return;
    runOpen_ = true;
    if (json_) {
        QJsonObject named{{QStringLiteral("path"), runPath_}};
        if (!runLabel_.isNull())
            named.insert(QStringLiteral("label"), runLabel_);
        const QString quoted = compact(named);
        print(QStringLiteral("%1%2,\"moves\":[")
                  .arg(runs_ == 0 ? QStringLiteral("{\"files\":[") : QStringLiteral(","),
                       quoted.chopped(1)));
    } else {
        print(
            runLabel_.isNull()
                ? QStringLiteral("%1:\n").arg(runPath_)
                : QStringLiteral("%1 (sent before it: %2):\n")
                      .arg(runPath_, runLabel_.isEmpty() ? QStringLiteral("nothing") : runLabel_));
    }
    ++runs_;
}

void AnalysisPrinter::printMoves(long long block, const std::vector<MoveFinder::Move>& moves,
                                 double timeGridMs, const MoveFinder::Settings& settings)
{
    openRun();
    for (const MoveFinder::Move& move : moves) {
        const MoveFinder::Figures figures = MoveFinder::figuresOf(move, timeGridMs, settings);
        if (json_)
            printMoveJson(block, figures);
        else
            printMoveText(block, figures);
        ++movesOfRun_;
    }
}

void AnalysisPrinter::printMoveText(long long block, const MoveFinder::Figures& move)
{
    // "block 4: move at 38.18 ms, peak 80 at 0.00 ms, overshoot 44.4 % at 17.18 ms, settled
    // after 78.27 ms, ringing 29.09 Hz, damping ratio 0.250"; without a time grid, no times.
    const auto at = [](std::optional<double> ms) {
        return ms ? QStringLiteral(" at %1 ms").arg(*ms, 0, 'f', 2) : QString();
    };
    QString text = QStringLiteral("  block %1: move%2, peak %3%4")
                       .arg(block)
                       .arg(at(move.startMs))
                       .arg(move.peak)
                       .arg(at(move.peakMs));
    if (move.overshootPct > 0)
        text += QStringLiteral(", overshoot %1 %%2")
                    .arg(move.overshootPct, 0, 'f', 1)
                    .arg(at(move.overshootMs));
    if (!move.settled)
        text += QStringLiteral(", not settled in its block");
    else if (move.settleMs)
        text += QStringLiteral(", settled after %1 ms").arg(*move.settleMs, 0, 'f', 2);
    else
        text += QStringLiteral(", settled");
    if (move.ringingHz)
        text += QStringLiteral(", ringing %1 Hz").arg(*move.ringingHz, 0, 'f', 2);
    if (move.dampingRatio)
        text += QStringLiteral(", damping ratio %1").arg(*move.dampingRatio, 0, 'f', 3);
    print(text + QLatin1Char('\n'));
}

void AnalysisPrinter::printMoveJson(long long block, const MoveFinder::Figures& move)
{
    const QJsonObject object{
        {QStringLiteral("block"), block},
        {QStringLiteral("start_ms"), jsonOf(move.startMs)},
        {QStringLiteral("peak"), move.peak},
        {QStringLiteral("peak_ms"), jsonOf(move.peakMs)},
        {QStringLiteral("overshoot_pct"), move.overshootPct},
        {QStringLiteral("overshoot_ms"), jsonOf(move.overshootMs)},
        {QStringLiteral("settled"), move.settled},
        {QStringLiteral("settle_ms"), jsonOf(move.settleMs)},
        {QStringLiteral("ringing_hz"), jsonOf(move.ringingHz)},
        {QStringLiteral("damping_ratio"), jsonOf(move.dampingRatio)},
    };
    print((movesOfRun_ == 0 ? QString() : QStringLiteral(",")) + compact(object));
}

void AnalysisPrinter::endRun(const RunAnalysis& analysis, long long droppedFromLine)
{
    openRun();
    runOpen_ = false;
    const RunFigures::Values figures = analysis.figures();
    if (json_) {
        QJsonObject rest{
            {QStringLiteral("blocks"), analysis.blocks()},
            {QStringLiteral("time_grid_ms"), jsonOf(gridOf(analysis))},
            {QStringLiteral("figures"), FigureText::json(figures)},
            {QStringLiteral("no_value"), FigureText::absencesJson(figures)},
        };
        if (droppedFromLine != 0)
            rest.insert(QStringLiteral("incomplete_tail_from_line"), droppedFromLine);
        print(QStringLiteral("],") + compact(rest).mid(1));
        return;
    }
    const std::optional<double> grid = gridOf(analysis);
    print(QStringLiteral("  %1 blocks, %2, %3 moves\n")
              .arg(analysis.blocks())
              .arg(grid ? QStringLiteral("time grid %1 ms").arg(*grid) : kNoGrid)
              .arg(movesOfRun_));
}

void AnalysisPrinter::finish(const std::vector<Run>& runs,
                             const std::vector<FailedCondition>& failed, const QString& error)
{
    if (json_) {
        QJsonArray failures;
        for (const FailedCondition& f : failed)
            failures.append(QJsonObject{
                {QStringLiteral("path"), f.path},
                {QStringLiteral("condition"), f.condition},
                {QStringLiteral("value"), jsonOf(f.value)},
                {QStringLiteral("reason"),
                 f.reason.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(f.reason)}});
        QJsonObject end{{QStringLiteral("compare"), compareJson(runs)},
                        {QStringLiteral("failed"), failures}};
        if (!error.isEmpty())
            end.insert(kErrorKey, error);
        print(QStringLiteral("],") + compact(end).mid(1) + QLatin1Char('\n'));
    } else {
        print(QLatin1Char('\n') + figuresTable(runs));
        for (const FailedCondition& f : failed)
            print(failedText(f));
    }
    if (std::fflush(output_) != 0)
        written_ = false;
}

void AnalysisPrinter::endWithError(const QString& error)
{
    if (json_ && runs_ > 0) {
        // The moves' array and the run's object, if open, then the files' array and the document.
        print((runOpen_ ? QStringLiteral("]}],") : QStringLiteral("],")) +
              compact(QJsonObject{{kErrorKey, error}}).mid(1) + QLatin1Char('\n'));
        runOpen_ = false;
    }
    if (std::fflush(output_) != 0)
        written_ = false;
}
