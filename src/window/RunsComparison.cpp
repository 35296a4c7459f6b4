// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/RunsComparison.h"

#include "core/runs/ListingDiff.h"
#include "report/RunAnalyses.h"
#include "report/RunPlots.h"
#include "window/SvgView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <vector>

namespace {
constexpr int kPlotsStretch = 4;
constexpr int kRegistersStretch = 3;
const QString kSelectSome = QStringLiteral("Select two to eight runs in the table to see their "
                                           "typical moves and spectra side by side.");
const QString kNoJournal = QStringLiteral("The journal keeps no files of these runs: there is "
                                          "nothing to plot.");
const QString kNoListings =
    QStringLiteral("Select two runs that both ran under a register listing to see what changed "
                   "in the registers.");
const QString kReading = QStringLiteral("Reading the files of %1\u2026");
const QString kAlike = QStringLiteral("The register listings of run %1 and run %2 are alike.");
const QString kDiffTitle = QStringLiteral("What changed in the registers from run %1 to run %2:");
const QString kListingOlder =
    QStringLiteral(" Run %1's listing was taken before %2 was sent, so its registers may have "
                   "differed from it.");
const QString kListingHint =
    QStringLiteral(" Press Registers before Start to keep the registers each run ran under.");

// What the listings cannot tell: a run whose listing is older than commands sent to the chip.
QString olderListingsNote(const QList<RunRecord>& runs)
{
    QString note;
    for (const RunRecord& run : runs) {
        if (run.sentSinceListing.isEmpty())
            continue;
        QStringList quoted;
        for (const QString& sent : run.sentSinceListing)
            quoted << QLatin1Char('"') + sent + QLatin1Char('"');
        note += kListingOlder.arg(run.number).arg(quoted.join(QStringLiteral(", ")));
    }
    return note.isEmpty() ? note : note + kListingHint;
}

QString runName(int number)
{
    return QStringLiteral("run %1").arg(number);
}

QString legendText(const RunPlots::Drawn& drawn)
{
    QStringList entries;
    for (const RunPlots::LegendEntry& entry : drawn.legend)
        entries << QStringLiteral("<span style=\"color:%1\">\u2501\u2501 %2</span>")
                       .arg(entry.colour, entry.text.toHtmlEscaped());
    return entries.join(QStringLiteral("&nbsp;&nbsp; "));
}

QString wordsOf(const RunPlots::Document& plot)
{
    QString words = plot.drawn.nothingToDraw.isEmpty() ? plot.summary : plot.drawn.nothingToDraw;
    for (const RunPlots::LegendEntry& entry : plot.drawn.legend)
        words += QLatin1Char(' ') + entry.text + QLatin1Char('.');
    return words;
}

QString numbered(int line, const QString& text)
{
    return line > 0 ? QStringLiteral("%1: %2").arg(line).arg(text) : QString();
}
} // namespace

RunsComparison::RunsComparison(RunAnalyses& analyses, QWidget* parent)
    : QWidget(parent), analyses_(analyses), note_(new QLabel(kSelectSome, this)),
      moves_(new SvgView(QStringLiteral("Typical moves overlaid"), this)),
      movesLegend_(new QLabel(this)),
      spectra_(new SvgView(QStringLiteral("Spectra overlaid"), this)),
      spectraLegend_(new QLabel(this)), diffNote_(new QLabel(kNoListings, this)),
      diff_(new QTableWidget(this))
{
    for (QLabel* label : {note_, movesLegend_, spectraLegend_, diffNote_}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    movesLegend_->setTextFormat(Qt::RichText);
    spectraLegend_->setTextFormat(Qt::RichText);
    // The note may quote what the user typed to the chip: never taken for markup.
    note_->setTextFormat(Qt::PlainText);
    diffNote_->setTextFormat(Qt::PlainText);
    // The plots at the width they are drawn for, scrolled; what changed in the registers beside
    // them, so both are in view at once.
    auto* plots = new QWidget;
    auto* plotsLayout = new QVBoxLayout(plots);
    plotsLayout->addWidget(note_);
    plotsLayout->addWidget(moves_);
    plotsLayout->addWidget(movesLegend_);
    plotsLayout->addWidget(spectra_);
    plotsLayout->addWidget(spectraLegend_);
    plotsLayout->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(plots);
    auto* registers = new QWidget(this);
    auto* registersLayout = new QVBoxLayout(registers);
    registersLayout->setContentsMargins(0, 0, 0, 0);
    registersLayout->addWidget(diffNote_);
    registersLayout->addWidget(diff_, 1);
    registersLayout->addStretch(0);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll, kPlotsStretch);
    layout->addWidget(registers, kRegistersStretch);
    diff_->setAccessibleName(QStringLiteral("Register listing differences"));
    diff_->setColumnCount(2);
    diff_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Both listings in view at once: a line too long for its half wraps.
    diff_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    diff_->setWordWrap(true);
    diff_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    diff_->verticalHeader()->hide();
    diff_->setFont(QFont(QStringLiteral("monospace")));
    connect(&analyses_, &RunAnalyses::read, this, &RunsComparison::runRead);
    compare({}, {});
}

void RunsComparison::compare(const QString& folder, const QList<RunRecord>& runs)
{
    showPlots(folder, runs);
    showListingDiff(runs);
}

void RunsComparison::showPlots(const QString& folder, const QList<RunRecord>& runs)
{
    const bool some = runs.size() >= kMinRuns && runs.size() <= kMaxRuns;
    const bool plotted = some && !folder.isEmpty();
    folder_ = folder;
    runs_ = plotted ? runs : QList<RunRecord>();
    held_.clear();
    pending_.clear();
    unread_.clear();
    if (!plotted) {
        analyses_.want(folder, {});
        note_->setText(!some ? kSelectSome : kNoJournal);
        note_->show();
        showPlotParts(false);
        return;
    }
    QList<RunAnalyses::Run> wanted;
    QStringList reading;
    for (const RunRecord& run : runs_) {
        const bool ended = run.end.isValid();
        if (const RunAnalyses::Analysis analysis =
                ended ? analyses_.kept(folder, run.number) : nullptr) {
            held_.insert(run.number, analysis);
            continue;
        }
        wanted << RunAnalyses::Run{run.number, ended};
        pending_.insert(run.number);
        reading << runName(run.number);
    }
    analyses_.want(folder, wanted);
    if (pending_.isEmpty()) {
        drawPlots();
        return;
    }
    note_->setText(kReading.arg(reading.join(QStringLiteral(", "))));
    note_->show();
}

void RunsComparison::runRead(const QString& folder, int number,
                             const RunAnalyses::Analysis& analysis, const QString& error)
{
    if (folder != folder_ || !pending_.remove(number))
        return;
    if (analysis)
        held_.insert(number, analysis);
    else
        unread_ << error;
    if (pending_.isEmpty())
        drawPlots();
}

void RunsComparison::showPlotParts(bool shown)
{
    for (QWidget* part :
         std::initializer_list<QWidget*>{moves_, movesLegend_, spectra_, spectraLegend_})
        part->setVisible(shown);
}

void RunsComparison::drawPlots()
{
    std::vector<PlottedRun> plottedRuns;
    for (const RunRecord& run : runs_) {
        if (const RunAnalyses::Analysis analysis = held_.value(run.number))
            plottedRuns.push_back({runName(run.number), analysis.get(), run.label()});
    }
    note_->setText(QStringLiteral("Not plotted: %1").arg(unread_.join(QStringLiteral("; "))));
    note_->setVisible(!unread_.isEmpty());
    showPlotParts(!plottedRuns.empty());
    if (plottedRuns.empty())
        return;
    const RunPlots::Document moves = RunPlots::typicalMovesDocument(plottedRuns);
    moves_->showPlot(moves.svg, wordsOf(moves));
    movesLegend_->setText(moves.summary.toHtmlEscaped() + QStringLiteral("<br>") +
                          legendText(moves.drawn));
    const RunPlots::Document spectra = RunPlots::spectraDocument(plottedRuns);
    spectra_->showPlot(spectra.svg, wordsOf(spectra));
    spectraLegend_->setText(spectra.summary.toHtmlEscaped() + QStringLiteral("<br>") +
                            legendText(spectra.drawn));
}

QString RunsComparison::listingNote() const
{
    return diffNote_->text();
}

void RunsComparison::showListingDiff(const QList<RunRecord>& runs)
{
    const bool two = runs.size() == 2 && !runs[0].registerListing.isEmpty() &&
                     !runs[1].registerListing.isEmpty();
    diff_->setVisible(false);
    if (!two) {
        diffNote_->setText(kNoListings);
        return;
    }
    const QList<ListingDiff::Row> rows =
        ListingDiff::differences(runs[0].registerListing, runs[1].registerListing);
    const QString older = olderListingsNote(runs);
    if (rows.isEmpty()) {
        diffNote_->setText(kAlike.arg(runs[0].number).arg(runs[1].number) + older);
        return;
    }
    diffNote_->setText(kDiffTitle.arg(runs[0].number).arg(runs[1].number) + older);
    diff_->clearContents();
    diff_->setRowCount(static_cast<int>(rows.size()));
    diff_->setHorizontalHeaderLabels({runName(runs[0].number), runName(runs[1].number)});
    for (int r = 0; r < diff_->rowCount(); ++r) {
        const ListingDiff::Row& row = rows[r];
        for (const auto& [column, text] :
             {std::pair{0, numbered(row.lineA, row.a)}, std::pair{1, numbered(row.lineB, row.b)}}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            diff_->setItem(r, column, item);
        }
    }
    diff_->setVisible(true);
}
