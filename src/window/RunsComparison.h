// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Below the runs table: for two to eight selected runs, their typical moves and their spectra
// overlaid, drawn by the report's own plots, each with a sentence on what it shows; and for two
// runs that both ran under a register listing, the lines of the listings that differ, side by
// side.

#include "core/runs/RunRecord.h"

#include <QList>
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

    SvgView* movesView() const { return moves_; }
    SvgView* spectraView() const { return spectra_; }
    QTableWidget* listingDiff() const { return diff_; }

private:
    void showPlots(const QString& folder, const QList<RunRecord>& runs);
    void showListingDiff(const QList<RunRecord>& runs);

    RunAnalyses& analyses_;
    QLabel* note_;
    SvgView* moves_;
    QLabel* movesLegend_;
    SvgView* spectra_;
    QLabel* spectraLegend_;
    QLabel* diffNote_;
    QTableWidget* diff_;
};
