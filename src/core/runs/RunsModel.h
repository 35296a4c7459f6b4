// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runs of one session as a table for any view: one row per run, its number, start, label,
// blocks and the figures a tuner compares runs by. Each figure cell holds the value as
// FigureText shows it, "best" on the session's best run by RunFigures::rank, and the change
// against the run before it ("better", "worse", "same", "same (within spread)") by
// RunFigures::compare, in words, so no view needs colour or figures of its own.
//
// Every figure with a better side is ranked and compared, shown in a column or not, so a view
// that lists more figures than the columns (the command-line program's `runs`) reads its best
// run and its changes here too, without a second ranking.
//
// A model either shows runs read back from the journal or follows the runs a RunCutter cuts as
// they happen: then the run under way is its last row, whose blocks and figures are refreshed at
// most every kLiveIntervalMs while the model is watched (a view that is shown), and not at all
// while it is not.

#include "core/analysis/RunFigures.h"
#include "core/runs/RunRecord.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>

#include <array>
#include <optional>

class RunCutter;

class RunsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Number,
        Start,
        Label,
        Blocks,
        Moves,
        Settle,
        Overshoot,
        Damping,
        Ringing,
        Oscillation,
        Rms,
        ColumnCount
    };
    enum Role {
        // The cell's run is the session's best on its figure: "best", or "best (within
        // spread)" where another run is the same within the middle halves; empty otherwise.
        BestRole = Qt::UserRole + 1,
        // Against the run before it: "better", "worse", "same", "same (within spread)" or empty.
        ChangeRole,
        // The row is the run under way.
        LiveRole,
        // The row's run number.
        RunNumberRole,
    };
    // Once a second: a tuner reads the run under way at a glance, and the open window costs the
    // running scope little.
    static constexpr int kLiveIntervalMs = 1000;

    // The best run of a figure over the rows: its row, and whether another run is the same
    // within the middle halves. No row where the figure has no better side or no run is judged.
    struct Best
    {
        std::optional<int> row;
        bool withinSpread = false;
        bool operator==(const Best&) const = default;
    };

    explicit RunsModel(QObject* parent = nullptr);

    // Shows `runs` (by number), following nothing.
    void showRuns(const QList<RunRecord>& runs);
    // Shows the runs `cutter` ends from now on, after those it shows already, and the run under
    // way as the last row.
    void follow(RunCutter& cutter);
    // A watched model refreshes the run under way; an unwatched one only counts its runs.
    void setWatched(bool watched);

    const RunRecord& run(int row) const { return runs_.at(row); }
    int runCount() const { return static_cast<int>(runs_.size()); }
    // The row of run `number`, or -1.
    int rowOfRun(int number) const;

    // What a view reads without roles. A cell's value as FigureText shows it, without the words
    // the display role adds under it.
    QString cellText(int row, int column) const;
    const Best& best(RunFigures::Id figure) const;
    // The run of `row` against the one before it on `figure`: "better", "worse", "same",
    // "same (within spread)", or empty (the first row, either run without figures, a figure
    // with no better side, a value that cannot be judged).
    QString change(int row, RunFigures::Id figure) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void runCountChanged(int runs);

private:
    void beginLiveRun(const RunRecord& run);
    void endLiveRun(const RunRecord& run);
    void blockArrived();
    void refreshLiveRow();
    void rankRuns();
    QString describeCell(int row, int column) const;
    QString columnChange(int row, int column) const;
    QString bestWord(int row, int column) const;

    QList<RunRecord> runs_;
    RunCutter* cutter_ = nullptr;
    bool live_ = false; // the last row is the run under way
    bool watched_ = false;
    QMetaObject::Connection blockWatch_;
    QTimer liveTimer_;
    std::array<Best, RunFigures::kCount> best_{}; // by figure
};
