// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/RunsWindow.h"

#include "core/SettingsStore.h"
#include "core/journal/JournalReader.h"
#include "core/runs/RunsModel.h"
#include "report/AnalysisReport.h"
#include "report/RunAnalyses.h"
#include "window/RunsComparison.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

// The best value of each column in bold as well as in words.
class BestInBold : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::FontRole ||
            QIdentityProxyModel::data(index, RunsModel::BestRole).toString().isEmpty())
            return QIdentityProxyModel::data(index, role);
        QFont font;
        font.setBold(true);
        return font;
    }
};

int CharacterAdvances::of(const QString& line, bool bold)
{
    QHash<QChar, int>& known = bold ? bold_ : plain_;
    int width = 0;
    for (const QChar character : line) {
        if (const auto found = known.constFind(character); found != known.constEnd()) {
            width += *found;
            continue;
        }
        QFont font = font_;
        font.setBold(bold);
        const int advance = QFontMetrics(font).horizontalAdvance(character);
        known.insert(character, advance);
        width += advance;
    }
    return width;
}

namespace {
const QString kTitle = QStringLiteral("Runs \u2014 Trevalon");
const QString kSection = QStringLiteral("RunsWindow");
const QString kGeometryKey = QStringLiteral("Geometry");
const QString kThisSession = QStringLiteral("This session (%1)");
const QString kEarlierSession = QStringLiteral("%1 (%2)");
const QString kSessionStartFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kReportFolderKey = QStringLiteral("ReportFolder");
// "2026-12-09_06-03-39-runs-3-5.html": the session's folder name and the runs' numbers.
const QString kReportName = QStringLiteral("%1-runs-%2.html");
const QString kReportFilter = QStringLiteral("Web pages (*.html)");
// The session's last runs, read ahead: selecting any of them draws at once.
constexpr int kReadAhead = 8;
constexpr int kDefaultWidth = 1280;

QString runsText(int runs)
{
    return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs);
}
constexpr int kDefaultHeight = 800;
constexpr int kRowPadding = 6;
constexpr int kTableHeight = 240; // a few runs in view, the plots below them
} // namespace

RunsWindow::RunsWindow(Source source, SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)), settings_(settings),
      analyses_(std::make_unique<RunAnalyses>()), shown_(source_.live),
      sessions_(new QComboBox(this)), table_(new QTableView(this)), bold_(new BestInBold(this)),
      status_(new QLabel(this)), comparison_(new RunsComparison(*analyses_, this)),
      report_(new QPushButton(QStringLiteral("Report\u2026"), this)),
      folder_(new QPushButton(QStringLiteral("Open folder"), this)), advances_(table_->font())
{
    setWindowTitle(kTitle);
    setAccessibleName(kTitle);
    sessions_->setAccessibleName(QStringLiteral("Session"));
    status_->setObjectName(QStringLiteral("runsStatus"));
    table_->setAccessibleName(QStringLiteral("Runs"));
    report_->setAccessibleDescription(
        QStringLiteral("Asks where to write the HTML report of the selected runs, writes it and "
                       "opens it in the browser"));
    folder_->setAccessibleDescription(QStringLiteral("Opens the session's folder"));

    bold_->setSourceModel(shown_);
    table_->setModel(bold_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    // Room for a value and the words under it; measuring every row would cost a long session
    // its second.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().lineSpacing() * 2 +
                                                    kRowPadding);

    auto* top = new QHBoxLayout;
    auto* sessionLabel = new QLabel(QStringLiteral("&Session:"), this);
    sessionLabel->setBuddy(sessions_);
    top->addWidget(sessionLabel);
    top->addWidget(sessions_, 1);
    top->addWidget(report_);
    top->addWidget(folder_);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(comparison_);
    split->setSizes({kTableHeight, kDefaultHeight - kTableHeight});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(status_);
    status_->setWordWrap(true);

    connect(sessions_, &QComboBox::activated, this, &RunsWindow::chooseSession);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RunsWindow::selectionChanged);
    connect(report_, &QPushButton::clicked, this, &RunsWindow::writeReport);
    connect(folder_, &QPushButton::clicked, this, &RunsWindow::openFolder);
    connect(source_.live, &RunsModel::runCountChanged, this, [this](int runs) {
        sessions_->setItemText(0, kThisSession.arg(runsText(runs)));
        // The session's folder is made at its first run.
        selectionChanged();
        readAhead();
    });
    // A table scrolled to its end follows the runs as they come, so the run under way stays in
    // view; one scrolled back stays where the user put it. The columns fit the runs in view
    // (only those are measured).
    connect(bold_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = table_->verticalScrollBar();
        followEnd_ = bar->value() == bar->maximum();
    });
    connect(bold_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (followEnd_)
            table_->scrollToBottom();
        table_->resizeColumnsToContents();
    });
    connect(bold_, &QAbstractItemModel::modelReset, table_, &QTableView::resizeColumnsToContents);
    // The run going on gets its figures a moment after its row (once a second at most).
    connect(bold_, &QAbstractItemModel::dataChanged, this, &RunsWindow::widenColumnsFor);

    resize(kDefaultWidth, kDefaultHeight);
    const QByteArray geometry = QByteArray::fromBase64(
        settings_.getSetting(SettingsKeys::kApplication, kSection, kGeometryKey, QString())
            .toLatin1());
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    fillSessions();
    selectionChanged();
}

RunsWindow::~RunsWindow()
{
    if (source_.live)
        source_.live->setWatched(false);
}

void RunsWindow::fillSessions()
{
    const QString shown = sessions_->currentData().toString();
    sessions_->clear();
    sessions_->addItem(kThisSession.arg(runsText(source_.live->runCount())), QString());
    const QString current = QDir(source_.sessionFolder()).absolutePath();
    const QList<JournalReader::SessionSummary> sessions =
        source_.root.isEmpty() ? QList<JournalReader::SessionSummary>()
                               : JournalReader::sessions(source_.root);
    for (const JournalReader::SessionSummary& s : sessions) {
        if (!source_.sessionFolder().isEmpty() && QDir(s.folder).absolutePath() == current)
            continue;
        const QString name = s.start.isValid() ? s.start.toString(kSessionStartFormat) : s.name;
        sessions_->addItem(kEarlierSession.arg(name, runsText(s.runs)), s.folder);
    }
    // The session shown stays chosen; one the journal no longer holds gives way to this one.
    const int index = sessions_->findData(shown);
    sessions_->setCurrentIndex(std::max(index, 0));
    if (index < 0 && !shown.isEmpty())
        chooseSession(0);
}

void RunsWindow::chooseSession(int index)
{
    const QString folder = sessions_->itemData(index).toString();
    status_->clear();
    if (folder.isEmpty()) {
        shown_ = source_.live;
        earlierFolder_.clear();
    } else {
        QString error;
        const std::optional<JournalReader::Session> session =
            JournalReader::session(source_.root, folder, error);
        if (!session) {
            status_->setText(error);
            return;
        }
        if (!earlier_)
            earlier_ = std::make_unique<RunsModel>();
        earlier_->showRuns(session->runs);
        status_->setText(session->messages.join(QLatin1Char('\n')));
        shown_ = earlier_.get();
        earlierFolder_ = session->folder;
    }
    bold_->setSourceModel(shown_);
    table_->scrollToBottom();
    table_->resizeColumnsToContents();
    selectionChanged();
    readAhead();
}

void RunsWindow::widenColumnsFor(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    // Only the changed cells in view are looked at, by their characters' advances (laying out a
    // cell's text twice a second would cost the running scope its share), and a column that no
    // longer fits one of them is fitted as a whole. kAdvanceSlack covers kerning.
    constexpr int kAdvanceSlack = 4;
    const int lastInView = table_->rowAt(table_->viewport()->height() - 1);
    const int top = std::max(topLeft.row(), table_->rowAt(0));
    const int bottom = lastInView < 0 ? bottomRight.row() : std::min(bottomRight.row(), lastInView);
    const int margins =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1) +
        kAdvanceSlack;
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        int widest = 0;
        for (int row = top; row <= bottom; ++row) {
            const QModelIndex cell = bold_->index(row, column);
            const bool best = !cell.data(RunsModel::BestRole).toString().isEmpty();
            for (const QString& line : cell.data().toString().split(QLatin1Char('\n')))
                widest = std::max(widest, advances_.of(line, best) + margins);
        }
        if (widest > table_->columnWidth(column))
            table_->resizeColumnToContents(column);
    }
}

void RunsWindow::readAhead()
{
    QList<int> last;
    const QString folder = shownFolder();
    for (int row = shown_->runCount() - 1;
         isVisible() && !folder.isEmpty() && row >= 0 && last.size() < kReadAhead; --row) {
        if (shown_->run(row).end.isValid())
            last << shown_->run(row).number;
    }
    analyses_->readAhead(folder, last);
}

QString RunsWindow::shownFolder() const
{
    return shown_ == source_.live ? source_.sessionFolder() : earlierFolder_;
}

QList<RunRecord> RunsWindow::selectedRuns() const
{
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<RunRecord> runs;
    for (const int row : rows) {
        runs << shown_->run(row);
        // An earlier session's runs come from the journal without their listings.
        if (shown_ != source_.live && runs.last().registerListing.isEmpty())
            runs.last().registerListing =
                JournalReader::registerListing(earlierFolder_, runs.last().number);
    }
    return runs;
}

void RunsWindow::selectRuns(const QList<int>& numbers)
{
    QItemSelection selection;
    for (const int number : numbers) {
        const int row = shown_->rowOfRun(number);
        if (row >= 0)
            selection.select(bold_->index(row, 0), bold_->index(row, RunsModel::ColumnCount - 1));
    }
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void RunsWindow::selectionChanged()
{
    const QList<RunRecord> runs = selectedRuns();
    comparison_->compare(shownFolder(), runs);
    report_->setEnabled(!runs.isEmpty() && runs.size() <= kMaxSelected && !shownFolder().isEmpty());
    folder_->setEnabled(!shownFolder().isEmpty());
}

void RunsWindow::writeReport()
{
    const QList<RunRecord> runs = selectedRuns();
    QStringList numbers;
    for (const RunRecord& run : runs)
        numbers << QString::number(run.number);
    QString folder =
        settings_.getSetting(SettingsKeys::kApplication, kSection, kReportFolderKey, QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString name =
        kReportName.arg(QFileInfo(shownFolder()).fileName(), numbers.join(QLatin1Char('-')));
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Report of runs %1").arg(numbers.join(QStringLiteral(", "))),
        QDir(folder).filePath(name), kReportFilter);
    if (path.isEmpty())
        return;
    settings_.saveSetting(SettingsKeys::kApplication, kSection, kReportFolderKey,
                          QFileInfo(path).absolutePath());
    if (writeReportTo(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool RunsWindow::writeReportTo(const QString& path)
{
    const QString folder = shownFolder();
    std::vector<RunAnalyses::Analysis> held;
    std::vector<PlottedRun> reported;
    for (const RunRecord& run : selectedRuns()) {
        QString error;
        held.push_back(analyses_->readNow(folder, {run.number, run.end.isValid()}, error));
        if (!held.back()) {
            status_->setText(error);
            return false;
        }
        reported.push_back(
            {RunAnalyses::pathOf(folder, run.number), held.back().get(), run.label()});
    }
    QString reason;
    if (!AnalysisReport::write(path, reported, reason)) {
        status_->setText(QStringLiteral("The report was not written to %1: %2").arg(path, reason));
        return false;
    }
    status_->setText(QStringLiteral("The report is %1").arg(path));
    return true;
}

void RunsWindow::openFolder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(shownFolder()));
}

void RunsWindow::saveGeometryNow()
{
    settings_.saveSetting(SettingsKeys::kApplication, kSection, kGeometryKey,
                          QString::fromLatin1(saveGeometry().toBase64()));
}

void RunsWindow::showEvent(QShowEvent* event)
{
    if (source_.live)
        source_.live->setWatched(true);
    // Opened again with nothing chosen, it shows the latest runs.
    if (!table_->selectionModel()->hasSelection())
        table_->scrollToBottom();
    if (table_->model()->rowCount() > 0)
        table_->resizeColumnsToContents();
    QWidget::showEvent(event);
    readAhead();
}

void RunsWindow::hideEvent(QHideEvent* event)
{
    saveGeometryNow();
    if (source_.live)
        source_.live->setWatched(false);
    analyses_->readAhead(QString(), {});
    QWidget::hideEvent(event);
}
