// SPDX-License-Identifier: GPL-3.0-or-later
// The trace colour buttons: which colour each chooses, that a choice does nothing else, and that
// it reaches the next block plotted. The swatches on the window and the drawn colour:
// tst_scopeview.

#include "core/scope/ScopeControl.h"
#include "core/scope/TraceColour.h"
#include "support/CoreFixture.h"

#include <QtTest>

namespace {
constexpr double kUnchosen = 12345; // a colour no button gives
}

class TestTraceColour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aClickSetsTheColourAndNothingElse_data();
    void aClickSetsTheColourAndNothingElse();
    void aColourChosenWhileRunningDrawsTheNextBlock();
};

void TestTraceColour::aClickSetsTheColourAndNothingElse_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("colour");
    QTest::newRow("the first button chooses yellow") << 0 << 65535.0;
    QTest::newRow("the second button chooses red") << 1 << 255.0;
    QTest::newRow("the third button chooses black") << 2 << 0.0;
    QTest::newRow("the fourth button chooses magenta") << 3 << 16711935.0;
    QTest::newRow("an index below the buttons changes nothing") << -1 << kUnchosen;
    QTest::newRow("an index past the buttons changes nothing") << 4 << kUnchosen;
}

void TestTraceColour::aClickSetsTheColourAndNothingElse()
{
    QFETCH(int, index);
    QFETCH(double, colour);

    CoreFixture f;
    useTraceColour(f.core, kUnchosen);
    holdBlock(f.core, zigzagBlock());

    f.core.chooseTraceColour(index);

    QCOMPARE(f.core.traceColour(), int(colour));
    // Nothing is sent and nothing is redrawn, although a block is held.
    QVERIFY(f.comm.log.isEmpty());
    QVERIFY(f.shown.events.isEmpty());
}

void TestTraceColour::aColourChosenWhileRunningDrawsTheNextBlock()
{
    CoreFixture f;
    Core& core = f.core;
    core.startScope();
    core.chooseTraceColour(1);

    constexpr quint8 kLevel = 128; // on the zero line, y 255
    QVERIFY(f.comm.portOpen());
    f.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    CoreFixture::settle();

    QCOMPARE(core.lastBlock().entry[1].value_or(0), kLevel);
    QCOMPARE(f.shown.blocks.size(), 1);
    QCOMPARE(f.shown.blocks.last().block.entry[150].value_or(0), kLevel);
    QCOMPARE(f.shown.blocks.last().colour, 255);
}

QTEST_GUILESS_MAIN(TestTraceColour)
#include "tst_tracecolour.moc"
