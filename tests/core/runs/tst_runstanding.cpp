// SPDX-License-Identifier: GPL-3.0-or-later
// What the status line says of the run under way among the session's runs: its label, its
// settle time, and whether it is the best so far as two runs compare, middle halves and all.

#include "core/runs/RunRecord.h"
#include "core/runs/RunStanding.h"

#include <QTest>

namespace {
using RunFigures::Missing;
using RunFigures::Quantity;
using Earlier = std::vector<std::pair<int, RunFigures::Value>>;

RunFigures::Value settle(double median, double p25, double p75)
{
    return {Quantity::of(median), Quantity::of(p25), Quantity::of(p75)};
}

RunFigures::Value none(Missing why)
{
    return {Quantity::none(why), Quantity::none(why), Quantity::none(why)};
}
} // namespace

Q_DECLARE_METATYPE(RunFigures::Value)
Q_DECLARE_METATYPE(Earlier)

class TestRunStanding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theRunStandsAmongTheEarlierOnes_data();
    void theRunStandsAmongTheEarlierOnes();
};

void TestRunStanding::theRunStandsAmongTheEarlierOnes_data()
{
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<RunFigures::Value>("settleMs");
    QTest::addColumn<Earlier>("earlier");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<QString>("text");

    QTest::newRow("the first run is the best so far")
        << QStringList{} << settle(36.3, 35, 38) << Earlier{} << false
        << "run 4: settles in 36.30 ms, best so far";
    QTest::newRow("a run whose middle half lies below every earlier one's is the best")
        << QStringList{"P 120"} << settle(30, 29, 31)
        << Earlier{{1, settle(40, 38, 42)}, {2, settle(36, 34, 37)}} << false
        << "run 4 (after P 120): settles in 30.00 ms, best so far";
    QTest::newRow("overlapping the best earlier run's middle half is as good, not better")
        << QStringList{"P 120", "I 4"} << settle(35, 33, 37)
        << Earlier{{1, settle(40, 38, 42)}, {2, settle(36, 34, 37)}} << true
        << "run 4 (after P 120; I 4): settled in 35.00 ms, as run 2 within spread";
    QTest::newRow("behind an earlier run: which, and its settle time")
        << QStringList{} << settle(45, 44, 47)
        << Earlier{{1, none(Missing::NotSettled)}, {2, settle(36, 34, 37)}} << false
        << "run 4: settles in 45.00 ms, run 2 settled sooner (36.00 ms)";
    QTest::newRow("a run whose moves do not settle says so")
        << QStringList{} << none(Missing::NotSettled) << Earlier{{2, settle(36, 34, 37)}} << false
        << "run 4: moves not settled";
    QTest::newRow("a run without moves yet")
        << QStringList{} << none(Missing::NoMoves) << Earlier{} << false << "run 4: no moves yet";
}

void TestRunStanding::theRunStandsAmongTheEarlierOnes()
{
    QFETCH(QStringList, sent);
    QFETCH(RunFigures::Value, settleMs);
    QFETCH(Earlier, earlier);
    QFETCH(bool, ended);
    QFETCH(QString, text);
    RunRecord run;
    run.number = 4;
    run.sent = sent;
    RunFigures::Values figures;
    figures[RunFigures::Id::SettleMs] = settleMs;
    QCOMPARE(RunStanding::describe(run, figures, earlier, ended), text);
}

QTEST_GUILESS_MAIN(TestRunStanding)
#include "tst_runstanding.moc"
