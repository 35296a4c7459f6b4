// SPDX-License-Identifier: GPL-3.0-or-later
// The Runs window from the main window's status line: the button leaves the client area's pixels
// and controls as they were, counts the runs, opens the window by click and by shortcut; the
// window shows the runs, plots the selected ones with words a screen reader reads, and sets the
// changed register lines side by side.

#include "core/journal/Journal.h"
#include "core/journal/JournalFiles.h"
#include "core/runs/RunCutter.h"
#include "core/runs/RunsModel.h"
#include "report/RunAnalyses.h"
#include "support/JournalRig.h"
#include "support/WindowFixture.h"
#include "window/RunsButton.h"
#include "window/RunsComparison.h"
#include "window/SvgView.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The main window with the runs cut from its core, their journal and the button.
struct RunsRig
{
    RunsRig()
        : cutter(f.fo.core()),
          journal(cutter, root.path(), JournalTests::kNoCap, JournalTests::kSessionStart)
    {
        model.follow(cutter);
    }
    RunsButton* addButton()
    {
        return new RunsButton(
            f.fo, {&model, root.path(), [this] { return journal.sessionFolder(); }}, f.settings);
    }
    void run(int blocks)
    {
        Core& core = f.fo.core();
        core.startScope();
        stateOf(core).timeGrid = JournalTests::kGrid;
        for (int b = 0; b < blocks; ++b)
            CoreInsides::drawReceivedBlock(core, JournalTests::moveBlock(cutter.runsBegun() + b));
        core.stopScope();
    }
    // Two runs of three blocks, the Runs window opened and both selected.
    RunsWindow* twoRunsSelected()
    {
        RunsButton* button = addButton();
        run(3);
        run(3);
        button->openRunsWindow();
        button->runsWindow()->selectRuns({1, 2});
        return button->runsWindow();
    }

    WindowFixture f;
    QTemporaryDir root;
    RunCutter cutter;
    Journal journal;
    RunsModel model;
};

QImage clientArea(Fo& fo)
{
    return fo.centralWidget()->grab().toImage();
}

RunRecord runWithListing(int number, const QString& listing)
{
    RunRecord run;
    run.number = number;
    run.registerListing = listing;
    return run;
}
} // namespace

class TestRunsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theButtonLeavesTheClientAreaAsItWas()
    {
        RunsRig rig;
        showAndWait(rig.f.fo);
        const QImage before = clientArea(rig.f.fo);
        const QSize sizeBefore = rig.f.fo.size();
        const int controlsBefore = rig.f.fo.centralWidget()->findChildren<QWidget*>().size();
        RunsButton* button = rig.addButton();
        QTest::qWait(50);
        QCOMPARE(clientArea(rig.f.fo), before);
        QCOMPARE(rig.f.fo.size(), sizeBefore);
        QCOMPARE(rig.f.fo.centralWidget()->findChildren<QWidget*>().size(), controlsBefore);
        QCOMPARE(button->parentWidget(), rig.f.fo.statusBar());
        // At the right end of the status line.
        QVERIFY(button->geometry().right() > rig.f.fo.statusBar()->width() * 3 / 4);
    }

    void theButtonCountsTheRunsAndTellsItsShortcut()
    {
        RunsRig rig;
        RunsButton* button = rig.addButton();
        QCOMPARE(button->text(), QStringLiteral("Runs (0)"));
        rig.run(1);
        rig.run(1);
        QCOMPARE(button->text(), QStringLiteral("Runs (2)"));
        QVERIFY(button->accessibleName().contains(QStringLiteral("2")));
        QVERIFY(
            button->toolTip().contains(RunsButton::kShortcut.toString(QKeySequence::NativeText)));
    }

    void opening_data()
    {
        QTest::addColumn<bool>("byShortcut");
        QTest::newRow("a click on the button opens the Runs window") << false;
        QTest::newRow("the shortcut opens the Runs window") << true;
    }
    void opening()
    {
        QFETCH(bool, byShortcut);
        RunsRig rig;
        RunsButton* button = rig.addButton();
        rig.run(1);
        showAndWait(rig.f.fo);
        if (byShortcut)
            QTest::keySequence(&rig.f.fo, RunsButton::kShortcut);
        else
            QTest::mouseClick(button, Qt::LeftButton);
        RunsWindow* runs = button->runsWindow();
        QVERIFY(runs);
        QTRY_VERIFY(runs->isVisible());
        QCOMPARE(runs->windowTitle(), QStringLiteral("Runs \u2014 Trevalon"));
        QVERIFY(!runs->isModal());
        QVERIFY(runs->isWindow());
        QCOMPARE(runs->table()->model()->rowCount(), 1);
        QVERIFY(rig.f.fo.isVisible());
    }

    // The run under way stays in view as runs come, unless the user scrolled back.
    void theTableFollowsNewRunsFromItsEnd()
    {
        RunsRig rig;
        RunsButton* button = rig.addButton();
        for (int r = 0; r < 12; ++r)
            rig.run(1);
        button->openRunsWindow();
        QTableView* table = button->runsWindow()->table();
        QVERIFY(QTest::qWaitForWindowExposed(button->runsWindow()));
        // Opened at its end, it follows.
        rig.run(1);
        QCOMPARE(table->rowAt(table->viewport()->height() - 1), 12);
        table->scrollToTop();
        rig.run(1);
        QCOMPARE(table->rowAt(0), 0);
    }

    void theSelectedRunsArePlottedWithWords()
    {
        RunsRig rig;
        RunsWindow* runs = rig.twoRunsSelected();
        SvgView* moves = runs->comparison()->movesView();
        QTRY_VERIFY(moves->hasPlot());
        // A screen reader meets a picture with its words.
        QAccessibleInterface* plot = QAccessible::queryAccessibleInterface(moves);
        QVERIFY(plot);
        QCOMPARE(plot->role(), QAccessible::Graphic);
        const QString words = plot->text(QAccessible::Description);
        QVERIFY2(words.contains(QStringLiteral("settles first")), qPrintable(words));
        QVERIFY(runs->comparison()->spectraView()->isVisibleTo(runs));
        runs->selectRuns({1});
        QVERIFY(!moves->isVisibleTo(runs));
    }

    void theReportGoesWhereItIsAsked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        QTest::newRow("a report is written outside the journal") << "r.html" << true;
        QTest::newRow("a folder that is not there is told, not taken for done")
            << "gone/r.html" << false;
    }
    void theReportGoesWhereItIsAsked()
    {
        QFETCH(QString, name);
        QFETCH(bool, written);
        RunsRig rig;
        RunsWindow* runs = rig.twoRunsSelected();
        QTemporaryDir elsewhere;
        const QString path = QDir(elsewhere.path()).filePath(name);
        QCOMPARE(runs->writeReportTo(path), written);
        QCOMPARE(QFile::exists(path), written);
        const QString told = runs->findChild<QLabel*>(QStringLiteral("runsStatus"))->text();
        QVERIFY2(told.contains(path), qPrintable(told));
        if (written) {
            QFile page(path);
            QVERIFY(page.open(QIODevice::ReadOnly));
            const QByteArray html = page.readAll();
            QVERIFY(html.contains(JournalFiles::blocksFile(1).toUtf8()));
            QVERIFY(html.contains(JournalFiles::blocksFile(2).toUtf8()));
        }
    }

    void theSizeAndPlaceAreRemembered()
    {
        RunsRig rig;
        RunsButton* button = rig.addButton();
        button->openRunsWindow();
        button->runsWindow()->resize(700, 500);
        button->runsWindow()->close();
        RunsWindow again({&rig.model, QString(), [] { return QString(); }}, rig.f.settings);
        QCOMPARE(again.size(), QSize(700, 500));
    }

    void listingDiff_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("sentSinceSecond");
        QTest::addColumn<QString>("noteHas");
        QTest::newRow("a changed register is shown beside its old line")
            << "KP 100\r\nKI 3\r\n"
            << "KP 120\r\nKI 3\r\n"
            << 1 << QStringList() << "from run 1";
        QTest::newRow("alike listings show no lines") << "KP 100\r\n"
                                                      << "KP 100\r\n"
                                                      << 0 << QStringList() << "are alike.";
        QTest::newRow("a run without a listing is not compared")
            << "KP 100\r\n"
            << "" << 0 << QStringList{"W02 0180"} << "Select two runs";
        QTest::newRow("a listing older than what was sent is not taken as the registers")
            << "KP 100\r\n"
            << "KP 100\r\n"
            << 0 << QStringList{"W02 0180", "<b>x"}
            << "alike. Run 2's listing was taken before \"W02 0180\", \"<b>x\" was sent";
    }
    void listingDiff()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, rows);
        QFETCH(QStringList, sentSinceSecond);
        QFETCH(QString, noteHas);
        RunAnalyses analyses;
        RunsComparison comparison(analyses);
        RunRecord later = runWithListing(2, second);
        later.sentSinceListing = sentSinceSecond;
        comparison.compare(QString(), {runWithListing(1, first), later});
        QVERIFY2(comparison.listingNote().contains(noteHas), qPrintable(comparison.listingNote()));
        QTableWidget* diff = comparison.listingDiff();
        QCOMPARE(diff->isVisibleTo(&comparison), rows > 0);
        if (rows > 0) {
            QCOMPARE(diff->rowCount(), rows);
            QCOMPARE(diff->item(0, 0)->text(), QStringLiteral("1: KP 100"));
            QCOMPARE(diff->item(0, 1)->text(), QStringLiteral("1: KP 120"));
        }
    }
};

QTEST_MAIN(TestRunsWindow)
#include "tst_runswindow.moc"
