// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/RunsModel.h"

#include "core/analysis/FigureText.h"
#include "core/runs/RunCutter.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {
using RunFigures::Id;

// A figure column: the figure it shows, and the one it is ranked and compared by (the dominant
// oscillation is shown by its frequency and judged by its amplitude).
struct FigureColumn
{
    int column;
    Id shown;
    Id judged;
    const char* header;
};
constexpr std::array<FigureColumn, 7> kFigureColumns{{
    {RunsModel::Moves, Id::Moves, Id::Moves, "Moves"},
    {RunsModel::Settle, Id::SettleMs, Id::SettleMs, "Settle ms"},
    {RunsModel::Overshoot, Id::OvershootPct, Id::OvershootPct, "Overshoot %"},
    {RunsModel::Damping, Id::DampingRatio, Id::DampingRatio, "Damping"},
    {RunsModel::Ringing, Id::RingingHz, Id::RingingHz, "Ringing Hz"},
    {RunsModel::Oscillation, Id::FrequencyHz, Id::FrequencyAmplitude, "Dominant oscillation"},
    {RunsModel::Rms, Id::Rms, Id::Rms, "RMS steps"},
}};
constexpr std::array<const char*, 4> kPlainHeaders{"Run", "Start", "Label", "Blocks"};

const QString kStartFormat = QStringLiteral("HH:mm:ss");
const QString kNothingSent = QStringLiteral("(nothing sent)");
const QString kNoFigures = QStringLiteral("-");
const QString kGoingOn = QStringLiteral("(going on)");
const QString kBest = QStringLiteral("best");
const QString kBestWithinSpread = QStringLiteral("best (within spread)");
// FigureText::better names the better of two; these names make it say how the later one did.
const QString kEarlierBetter = QStringLiteral("worse");
const QString kLaterBetter = QStringLiteral("better");

const FigureColumn* figureColumn(int column)
{
    for (const FigureColumn& c : kFigureColumns)
        if (c.column == column)
            return &c;
    return nullptr;
}

RunFigures::Value valueOf(const RunRecord& run, Id figure)
{
    return run.figures ? (*run.figures)[figure] : RunFigures::Value{};
}
} // namespace

// The timer is the model's child, so what it costs is found with the model's.
RunsModel::RunsModel(QObject* parent) : QAbstractTableModel(parent), liveTimer_(this)
{
    liveTimer_.setSingleShot(true);
    liveTimer_.setInterval(kLiveIntervalMs);
    connect(&liveTimer_, &QTimer::timeout, this, &RunsModel::refreshLiveRow);
}

void RunsModel::showRuns(const QList<RunRecord>& runs)
{
    beginResetModel();
    runs_ = runs;
    live_ = false;
    rankRuns();
    endResetModel();
    Q_EMIT runCountChanged(runCount());
}

void RunsModel::follow(RunCutter& cutter)
{
    cutter_ = &cutter;
    connect(&cutter, &RunCutter::runStarted, this, &RunsModel::beginLiveRun);
    connect(&cutter, &RunCutter::runEnded, this, &RunsModel::endLiveRun);
    connect(&cutter, &QObject::destroyed, this, [this] {
        cutter_ = nullptr;
        liveTimer_.stop();
    });
    if (const RunRecord* current = cutter.currentRun())
        beginLiveRun(*current);
    if (watched_)
        blockWatch_ = connect(cutter_, &RunCutter::runBlock, this, &RunsModel::blockArrived);
}

void RunsModel::setWatched(bool watched)
{
    if (watched == watched_)
        return;
    watched_ = watched;
    // Unwatched, the model hears of no block at all: only of runs beginning and ending.
    if (!watched) {
        disconnect(blockWatch_);
        liveTimer_.stop();
        return;
    }
    if (cutter_)
        blockWatch_ = connect(cutter_, &RunCutter::runBlock, this, &RunsModel::blockArrived);
    if (live_)
        refreshLiveRow();
}

int RunsModel::rowOfRun(int number) const
{
    for (int row = 0; row < runCount(); ++row)
        if (runs_[row].number == number)
            return row;
    return -1;
}

void RunsModel::beginLiveRun(const RunRecord& run)
{
    beginInsertRows({}, runCount(), runCount());
    runs_.append(run);
    // A run begins with its first block, which the cutter counts just after telling of it.
    if (!run.end.isValid())
        runs_.last().blocks = std::max(run.blocks, 1LL);
    live_ = !run.end.isValid();
    endInsertRows();
    Q_EMIT runCountChanged(runCount());
}

void RunsModel::blockArrived()
{
    if (!liveTimer_.isActive())
        liveTimer_.start();
}

void RunsModel::refreshLiveRow()
{
    if (!live_ || !cutter_ || !cutter_->currentRun())
        return;
    RunRecord& row = runs_.last();
    row.blocks = cutter_->currentRun()->blocks;
    row.figures = cutter_->currentFigures();
    const std::array<Best, RunFigures::kCount> before = best_;
    rankRuns();
    // The live row, and every row when a best mark moved with its figures: a view redraws and
    // measures no more than that, once a second.
    const int first = best_ == before ? runCount() - 1 : 0;
    Q_EMIT dataChanged(index(first, 0), index(runCount() - 1, ColumnCount - 1));
}

void RunsModel::endLiveRun(const RunRecord& run)
{
    liveTimer_.stop();
    // A model that began following during the run has its row already; one that began after
    // its start (a cutter that was made later) adds it now.
    if (live_)
        runs_.last() = run;
    else
        beginLiveRun(run);
    live_ = false;
    rankRuns();
    Q_EMIT dataChanged(index(0, 0), index(runCount() - 1, ColumnCount - 1));
}

void RunsModel::rankRuns()
{
    std::vector<RunFigures::Value> values;
    values.reserve(static_cast<std::size_t>(runs_.size()));
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        values.clear();
        for (const RunRecord& run : runs_)
            values.push_back(valueOf(run, info.id));
        const RunFigures::Ranking ranking = RunFigures::rank(info.id, values);
        Best& best = best_[static_cast<std::size_t>(info.id)];
        best.row =
            ranking.best ? std::optional<int>(static_cast<int>(*ranking.best)) : std::nullopt;
        best.withinSpread = ranking.withinSpread;
    }
}

const RunsModel::Best& RunsModel::best(Id figure) const
{
    return best_[static_cast<std::size_t>(figure)];
}

int RunsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : runCount();
}

int RunsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RunsModel::change(int row, Id figure) const
{
    if (row <= 0 || row >= runCount() || !runs_[row].figures || !runs_[row - 1].figures)
        return {};
    const RunFigures::Comparison comparison =
        RunFigures::compare(figure, valueOf(runs_[row - 1], figure), valueOf(runs_[row], figure));
    return FigureText::better(comparison, kEarlierBetter, kLaterBetter);
}

QString RunsModel::columnChange(int row, int column) const
{
    const FigureColumn* figure = figureColumn(column);
    return figure ? change(row, figure->judged) : QString();
}

QString RunsModel::bestWord(int row, int column) const
{
    const FigureColumn* figure = figureColumn(column);
    if (!figure)
        return {};
    const Best& judged = best(figure->judged);
    if (!judged.row || *judged.row != row)
        return {};
    return judged.withinSpread ? kBestWithinSpread : kBest;
}

QString RunsModel::cellText(int row, int column) const
{
    if (row < 0 || row >= runCount() || column < 0 || column >= ColumnCount)
        return {};
    const RunRecord& run = runs_[row];
    switch (column) {
    case Number:
        return QString::number(run.number);
    case Start:
        return run.start.isValid() ? run.start.toString(kStartFormat) : QString();
    case Label:
        return run.sent.isEmpty() ? kNothingSent : run.label();
    case Blocks:
        return QString::number(run.blocks);
    default:
        break;
    }
    const FigureColumn* figure = figureColumn(column);
    if (!figure || !run.figures)
        return live_ && row == runCount() - 1 ? kGoingOn : kNoFigures;
    const RunFigures::Value& value = (*run.figures)[figure->shown];
    if (figure->shown == Id::FrequencyHz && value.value.number)
        return QStringLiteral("%1 Hz, %2 steps")
            .arg(FigureText::quantity(Id::FrequencyHz, value.value),
                 FigureText::quantity(Id::FrequencyAmplitude,
                                      (*run.figures)[Id::FrequencyAmplitude].value));
    return FigureText::value(figure->shown, value);
}

QString RunsModel::describeCell(int row, int column) const
{
    const QString header = headerData(column, Qt::Horizontal).toString();
    QStringList words{QStringLiteral("%1: %2").arg(header, cellText(row, column))};
    const QString best = bestWord(row, column);
    if (!best.isEmpty())
        words << best + QStringLiteral(" of the session");
    const QString changed = columnChange(row, column);
    if (!changed.isEmpty())
        words << QStringLiteral("%1 than run %2").arg(changed).arg(runs_[row - 1].number);
    if (changed.startsWith(QStringLiteral("same")))
        words.last() = QStringLiteral("%1 as run %2").arg(changed).arg(runs_[row - 1].number);
    return words.join(QStringLiteral(", "));
}

QVariant RunsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= runCount() || index.column() >= ColumnCount)
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        // The words on a line of their own under the value, so the columns stay narrow.
        QStringList words;
        const QString best = bestWord(row, column);
        if (!best.isEmpty())
            words << best;
        const QString changed = columnChange(row, column);
        if (!changed.isEmpty())
            words << changed;
        const QString text = cellText(row, column);
        return words.isEmpty() ? text : text + QLatin1Char('\n') + words.join(QStringLiteral(", "));
    }
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return describeCell(row, column);
    case Qt::TextAlignmentRole:
        return column == Label ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                               : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case BestRole:
        return bestWord(row, column);
    case ChangeRole:
        return columnChange(row, column);
    case LiveRole:
        return live_ && row == runCount() - 1;
    case RunNumberRole:
        return runs_[row].number;
    default:
        return {};
    }
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= 0 && section < static_cast<int>(kPlainHeaders.size()))
        return QString::fromLatin1(kPlainHeaders[static_cast<std::size_t>(section)]);
    if (const FigureColumn* figure = figureColumn(section))
        return QString::fromLatin1(figure->header);
    return {};
}
