// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalysisPrinter.h"

#include "core/analysis/RunAnalysis.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kNotKnown = QStringLiteral("-");
const QString kBetterKey = QStringLiteral("better");
const QString kErrorKey = QStringLiteral("error");

QString nameOf(std::size_t figure)
{
    return AnalysisPrinter::figureName(figure);
}

QString textOf(std::size_t figure, std::optional<double> value)
{
    return AnalysisPrinter::figureText(figure, value);
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

// The figures of each run in columns, with the change and the better run for two.
QString figuresTable(const std::vector<AnalysisPrinter::Run>& runs)
{
    constexpr int kNameWidth = 30;
    constexpr int kNarrowestColumn = 14;
    int columnWidth = kNarrowestColumn;
    for (const AnalysisPrinter::Run& run : runs)
        columnWidth = std::max<int>(columnWidth, int(QFileInfo(run.path).fileName().size()) + 1);
    QString text = QStringLiteral("%1").arg(QString(), -kNameWidth);
    for (const AnalysisPrinter::Run& run : runs)
        text += QStringLiteral(" %1").arg(QFileInfo(run.path).fileName(), columnWidth);
    if (runs.size() == 2)
        text += QStringLiteral(" %1  better").arg(QStringLiteral("change"), columnWidth);
    text += QLatin1Char('\n');
    for (std::size_t f = 0; f < RunFigures::kFigures.size(); ++f) {
        const std::string_view unit = RunFigures::kFigures[f].unit;
        QString name = nameOf(f);
        if (!unit.empty())
            name += QStringLiteral(" (%1)").arg(QLatin1String(unit.data(), qsizetype(unit.size())));
        text += QStringLiteral("%1").arg(name, -kNameWidth);
        for (const AnalysisPrinter::Run& run : runs)
            text += QStringLiteral(" %1").arg(textOf(f, run.figures[f]), columnWidth);
        if (runs.size() == 2) {
            const RunFigures::Comparison c =
                RunFigures::compare(f, runs[0].figures[f], runs[1].figures[f]);
            text += QStringLiteral(" %1  %2")
                        .arg(textOf(f, c.change), columnWidth)
                        .arg(AnalysisPrinter::betterRun(c, runs[0].path, runs[1].path));
        }
        text += QLatin1Char('\n');
    }
    return text;
}

QJsonObject figuresJson(const RunFigures::Values& figures)
{
    QJsonObject object;
    for (std::size_t f = 0; f < RunFigures::kFigures.size(); ++f)
        object.insert(nameOf(f), jsonOf(figures[f]));
    return object;
}

QJsonObject compareJson(const std::vector<AnalysisPrinter::Run>& runs)
{
    QJsonObject compare;
    if (runs.size() != 2)
        return compare;
    for (std::size_t f = 0; f < RunFigures::kFigures.size(); ++f) {
        const RunFigures::Comparison c =
            RunFigures::compare(f, runs[0].figures[f], runs[1].figures[f]);
        const QString better = winnerText(c.better);
        compare.insert(nameOf(f), QJsonObject{
                                      {QStringLiteral("a"), jsonOf(runs[0].figures[f])},
                                      {QStringLiteral("b"), jsonOf(runs[1].figures[f])},
                                      {QStringLiteral("change"), jsonOf(c.change)},
                                      {kBetterKey, better.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                    : QJsonValue(better)},
                                  });
    }
    return compare;
}

QString failedText(const FailedCondition& failed)
{
    return QStringLiteral("FAILED %1: %2 (%3)\n")
        .arg(failed.path, failed.condition, QString::number(failed.value, 'g', 6));
}
} // namespace

QString AnalysisPrinter::figureName(std::size_t figure)
{
    const std::string_view name = RunFigures::kFigures[figure].name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString AnalysisPrinter::figureText(std::size_t figure, std::optional<double> value)
{
    return value ? QString::number(*value, 'f', RunFigures::kFigures[figure].decimals) : kNotKnown;
}

QString AnalysisPrinter::betterRun(const RunFigures::Comparison& comparison, const QString& a,
                                   const QString& b)
{
    switch (comparison.better) {
    case RunFigures::Winner::A:
        return QFileInfo(a).fileName();
    case RunFigures::Winner::B:
        return QFileInfo(b).fileName();
    default:
        return winnerText(comparison.better);
    }
}

void AnalysisPrinter::print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), output_) !=
        static_cast<std::size_t>(bytes.size()))
        written_ = false;
}

void AnalysisPrinter::beginRun(const QString& path)
{
    movesOfRun_ = 0;
    runPath_ = path;
    runOpen_ = false;
}

void AnalysisPrinter::openRun()
{
    if (runOpen_)
        return;
    runOpen_ = true;
    if (json_) {
        const QString quoted = compact(QJsonObject{{QStringLiteral("path"), runPath_}});
        print(QStringLiteral("%1%2,\"moves\":[")
                  .arg(runs_ == 0 ? QStringLiteral("{\"files\":[") : QStringLiteral(","),
                       quoted.chopped(1)));
    } else {
        print(QStringLiteral("%1:\n").arg(runPath_));
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
    // after 78.27 ms, ringing 29.09 Hz, damping ratio 0.250"
    QString text = QStringLiteral("  block %1: move at %2 ms, peak %3 at %4 ms")
                       .arg(block)
                       .arg(move.startMs, 0, 'f', 2)
                       .arg(move.peak)
                       .arg(move.peakMs, 0, 'f', 2);
    if (move.overshootMs)
        text += QStringLiteral(", overshoot %1 % at %2 ms")
                    .arg(move.overshootPct, 0, 'f', 1)
                    .arg(*move.overshootMs, 0, 'f', 2);
    text += move.settleMs ? QStringLiteral(", settled after %1 ms").arg(*move.settleMs, 0, 'f', 2)
                          : QStringLiteral(", not settled in its block");
    if (move.ringingHz)
        text += QStringLiteral(", ringing %1 Hz, damping ratio %2")
                    .arg(*move.ringingHz, 0, 'f', 2)
                    .arg(*move.dampingRatio, 0, 'f', 3);
    print(text + QLatin1Char('\n'));
}

void AnalysisPrinter::printMoveJson(long long block, const MoveFinder::Figures& move)
{
    const QJsonObject object{
        {QStringLiteral("block"), block},
        {QStringLiteral("start_ms"), move.startMs},
        {QStringLiteral("peak"), move.peak},
        {QStringLiteral("peak_ms"), move.peakMs},
        {QStringLiteral("overshoot_pct"), move.overshootPct},
        {QStringLiteral("overshoot_ms"), jsonOf(move.overshootMs)},
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
            {QStringLiteral("time_grid_ms"), analysis.timeGridMs()},
            {QStringLiteral("figures"), figuresJson(figures)},
        };
        if (droppedFromLine != 0)
            rest.insert(QStringLiteral("incomplete_tail_from_line"), droppedFromLine);
        print(QStringLiteral("],") + compact(rest).mid(1));
        return;
    }
    print(QStringLiteral("  %1 blocks, time grid %2 ms, %3 moves\n")
              .arg(analysis.blocks())
              .arg(analysis.timeGridMs())
              .arg(movesOfRun_));
}

void AnalysisPrinter::finish(const std::vector<Run>& runs,
                             const std::vector<FailedCondition>& failed, const QString& error)
{
    if (json_) {
        QJsonArray failures;
        for (const FailedCondition& f : failed)
            failures.append(QJsonObject{{QStringLiteral("path"), f.path},
                                        {QStringLiteral("condition"), f.condition},
                                        {QStringLiteral("value"), f.value}});
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
