// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Below the runs table: for two to eight selected runs, their typical moves and their spectra
// overlaid, drawn by the report's own plots, each with a sentence on what it shows; and for two
// runs that both ran under a register listing, the lines of the listings that differ, side by
// side. The plots are drawn once every selected run's analysis is at hand: at once for those
// kept, otherwise when their files have been read, the plots of the runs selected before staying
// in view meanwhile under a line saying which runs are being read.

#include "core/runs/RunRecord.h"
#include "report/RunAnalyses.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QWidget>

class QLabel;
class QTableWidget;
class RunAnalyses;
class SvgView;

class RunsComparison : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMinRuns = 2;
    static constexpr int kMaxRuns = 8;

    RunsComparison(RunAnalyses& analyses, QWidget* parent = nullptr);

    // Compares `runs` of the session kept in `folder` (empty: the journal keeps none).
    void compare(const QString& folder, const QList<RunRecord>& runs);

    // The selected runs' files are being read: the plots shown are of the runs selected before.
    bool reading() const { return !pending_.isEmpty(); }
    SvgView* movesView() const { return moves_; }
    SvgView* spectraView() const { return spectra_; }
    QTableWidget* listingDiff() const { return diff_; }
    QString listingNote() const;

private:
    void showPlots(const QString& folder, const QList<RunRecord>& runs);
    void runRead(const QString& folder, int number, const RunAnalyses::Analysis& analysis,
                 const QString& error);
    void drawPlots();
    void showPlotParts(bool shown);
    void showListingDiff(const QList<RunRecord>& runs);

    RunAnalyses& analyses_;
    // The runs plotted, or to be once their files are read.
    QString folder_;
    QList<RunRecord> runs_;
    QHash<int, RunAnalyses::Analysis> held_; // by run number
    QSet<int> pending_;                      // runs whose files are being read
    QStringList unread_;                     // why a run's file could not be read
    QLabel* note_;
    SvgView* moves_;
    QLabel* movesLegend_;
    SvgView* spectra_;
    QLabel* spectraLegend_;
    QLabel* diffNote_;
    QTableWidget* diff_;
};
