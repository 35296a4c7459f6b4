// SPDX-License-Identifier: GPL-3.0-or-later
// The runs table as a view reads it: one row per run, the best run of each figure named, each
// run's change against the one before it in words, the run under way refreshed only while
// watched, and a session read back from the journal shown as it was shown live.

#include "core/runs/RunsModel.h"
#include "support/JournalRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
using JournalTests::JournalRig;

// Three ended runs of one block each, every one with a larger error than the one before.
void threeRuns(JournalRig& rig)
{
    rig.run(1);
    rig.run(1, QStringLiteral("P 120"));
    rig.run(1, QStringLiteral("I 3"));
}
} // namespace

class TestRunsModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cells_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the label is what was sent before the run")
            << 1 << int(RunsModel::Label) << int(Qt::DisplayRole) << "P 120";
        QTest::newRow("a run after nothing sent says so")
            << 0 << int(RunsModel::Label) << int(Qt::DisplayRole) << "(nothing sent)";
        QTest::newRow("the run with the smallest error has the best RMS")
            << 0 << int(RunsModel::Rms) << int(RunsModel::BestRole) << "best";
        QTest::newRow("a run with a larger error is not the best")
            << 2 << int(RunsModel::Rms) << int(RunsModel::BestRole) << "";
        QTest::newRow("a larger error than the run before is worse")
            << 1 << int(RunsModel::Rms) << int(RunsModel::ChangeRole) << "worse";
        QTest::newRow("the first run has nothing to be compared with")
            << 0 << int(RunsModel::Rms) << int(RunsModel::ChangeRole) << "";
        QTest::newRow("a count of moves is neither best nor better")
            << 0 << int(RunsModel::Moves) << int(RunsModel::BestRole) << "";
        QTest::newRow("the words are in the cell's text, not only in its weight")
            << 0 << int(RunsModel::Rms) << int(Qt::DisplayRole) << "best";
        QTest::newRow("a screen reader hears the change and what it is against")
            << 1 << int(RunsModel::Rms) << int(Qt::AccessibleTextRole) << "worse than run 1";
    }
    void cells()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QString, expected);
        QTemporaryDir root;
        JournalRig rig(root.path());
        RunsModel model;
        model.follow(rig.cutter);
        threeRuns(rig);
        QCOMPARE(model.rowCount(), 3);
        const QString text = model.data(model.index(row, column), role).toString();
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            QVERIFY2(expected.isEmpty() ? text.isEmpty() : text.contains(expected),
                     qPrintable(text));
        else
            QCOMPARE(text, expected);
    }

    void aSessionReadBackShowsAsItWasShownLive()
    {
        QTemporaryDir root;
        JournalRig rig(root.path());
        RunsModel live;
        live.follow(rig.cutter);
        threeRuns(rig);
        RunsModel readBack;
        readBack.showRuns(JournalTests::readSession(root.path()).runs);
        QCOMPARE(readBack.rowCount(), live.rowCount());
        for (int row = 0; row < live.rowCount(); ++row)
            for (int column = 0; column < RunsModel::ColumnCount; ++column)
                QCOMPARE(readBack.data(readBack.index(row, column)).toString(),
                         live.data(live.index(row, column)).toString());
    }

    void theRunUnderWayIsRefreshedOnlyWhileWatchedAndNotPerBlock()
    {
        QTemporaryDir root;
        JournalRig rig(root.path());
        RunsModel model;
        model.follow(rig.cutter);
        QSignalSpy counts(&model, &RunsModel::runCountChanged);
        rig.run(1);
        rig.run(2, QString(), false);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(counts.count(), 2);
        const QModelIndex liveBlocks = model.index(1, RunsModel::Blocks);
        QVERIFY(model.data(liveBlocks, RunsModel::LiveRole).toBool());
        QVERIFY(!model.data(model.index(0, 0), RunsModel::LiveRole).toBool());
        // Unwatched: the row keeps what it had at the run's first block.
        QTest::qWait(RunsModel::kLiveIntervalMs * 2);
        QCOMPARE(model.data(liveBlocks).toString(), QStringLiteral("1"));
        QCOMPARE(model.data(model.index(1, RunsModel::Rms)).toString(),
                 QStringLiteral("(going on)"));

        model.setWatched(true);
        QCOMPARE(model.data(liveBlocks).toString(), QStringLiteral("2"));
        QVERIFY(model.run(1).figures.has_value());
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        for (int b = 0; b < 3; ++b)
            CoreInsides::drawReceivedBlock(rig.f.core, JournalTests::moveBlock(b));
        QCOMPARE(changes.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(model.data(liveBlocks).toString(), QStringLiteral("5"),
                                  RunsModel::kLiveIntervalMs * 4);
        QCOMPARE(changes.count(), 1);

        rig.f.core.stopScope();
        QVERIFY(!model.data(liveBlocks, RunsModel::LiveRole).toBool());
        QCOMPARE(model.run(1).figures, JournalTests::readSession(root.path()).runs[1].figures);
    }
};

QTEST_GUILESS_MAIN(TestRunsModel)
#include "tst_runsmodel.moc"
