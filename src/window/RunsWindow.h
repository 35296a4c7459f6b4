// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Runs — Trevalon": a window of its own beside the main window, never modal. A chooser of the
// journal's sessions (this one first, followed as it runs), the runs table on the core's model,
// and below it the selected runs compared; "Report…" writes the HTML report of the selected runs
// where the user says (the journal's folders are the journal's own, removed with their session)
// and opens it in the desktop's browser, "Open folder" opens the session's folder. Its size and
// place are remembered. While it is shown the analyses of the session's last runs are read ahead,
// so choosing among them draws at once; while it is hidden nothing of it runs.

#include "core/runs/RunsModel.h"

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class BestInBold;
class RunAnalyses;
class RunsComparison;
class SettingsStore;
struct RunRecord;

// The width of a line of the table's text as the sum of its characters' advances, each measured
// once: far cheaper than laying the line out, and short of it by kerning alone.
class CharacterAdvances
{
public:
    explicit CharacterAdvances(const QFont& font) : font_(font) {}
    int of(const QString& line, bool bold);

private:
    QFont font_;
    QHash<QChar, int> plain_;
    QHash<QChar, int> bold_;
};

class RunsWindow : public QWidget
{
    Q_OBJECT

public:
    struct Source
    {
        // This session's runs, followed as they are cut; the model may go before the window.
        QPointer<RunsModel> live;
        QString root;                           // the journal's folder; empty without a journal
        std::function<QString()> sessionFolder; // this session's, empty until its first run
    };
    static constexpr int kMaxSelected = 8;

    RunsWindow(Source source, SettingsStore& settings, QWidget* parent = nullptr);
    ~RunsWindow() override;

    QComboBox* sessionChooser() const { return sessions_; }
    QTableView* table() const { return table_; }
    RunsComparison* comparison() const { return comparison_; }
    // Rereads the journal's list of sessions.
    void fillSessions();
    // Selects the rows of these run numbers, as a user would.
    void selectRuns(const QList<int>& numbers);
    // Writes the report of the selected runs to `path`, telling the outcome in the window; false
    // when it was not written.
    bool writeReportTo(const QString& path);
    RunAnalyses& analyses() const { return *analyses_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void chooseSession(int index);
    void selectionChanged();
    QList<RunRecord> selectedRuns() const;
    QString shownFolder() const;
    void widenColumnsFor(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void readAhead();
    void writeReport();
    void openFolder();
    void saveGeometryNow();

    Source source_;
    SettingsStore& settings_;
    std::unique_ptr<RunAnalyses> analyses_;
    std::unique_ptr<RunsModel> earlier_; // an earlier session read from the journal
    RunsModel* shown_;
    QString earlierFolder_;
    QComboBox* sessions_;
    QTableView* table_;
    BestInBold* bold_;
    QLabel* status_;
    RunsComparison* comparison_;
    QPushButton* report_;
    QPushButton* folder_;
    CharacterAdvances advances_;
    bool followEnd_ = true; // the table was at its end when rows came
};
