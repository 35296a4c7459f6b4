// SPDX-License-Identifier: GPL-3.0-or-later
// The scope surface as a measuring tool: pointer readouts, the start and end markers with their
// readouts and labels, the stop of a left click and the redraw of a right click. The core speaks
// sample and level positions; the pointer's pixels reach it through ScopeGeometry as the window
// turns them. The markers and traces are checked as the core tells them; how the window draws
// them: tst_scopeview.

#include "core/link/ChipCommands.h"
#include "core/scope/Markers.h"
#include "core/scope/ScopeGeometry.h"
#include "core/scope/ScopeChecks.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/TraceColour.h"
#include "support/CoreFixture.h"

#include <QtTest>

#include <algorithm>

using namespace ScopeChecks;

namespace {
const QString kWriteStop = writeOf(kStopLine);
} // namespace

class TestMarkers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sampleIndexHalvesGoToEven_data();
    void sampleIndexHalvesGoToEven();
    void pointerReadoutsFollowTheMouse_data();
    void pointerReadoutsFollowTheMouse();
    void markerReadoutsAndWidth_data();
    void markerReadoutsAndWidth();
    void labelsMoveInNearTheRightEdge_data();
    void labelsMoveInNearTheRightEdge();
    void aStartMarkerAtZeroCountsAsPlaced();
    void leftClickStopsTheRunningScopeFirst();
    void thirdLeftClickOnlyStops();
    void leftClickOnAPortThatCannotOpenPlacesNoMarker();
    void rightClickRedrawsTheStoredBlockInTheChosenColour();
    void rightClickBeforeAnyBlockDrawsNothingVisible();
};

void TestMarkers::sampleIndexHalvesGoToEven_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<double>("index");
    QTest::newRow("x 5 is index 2") << 5.0f << 2.0;
    QTest::newRow("x 7 is index 4") << 7.0f << 4.0;
    QTest::newRow("x 1 is index 0") << 1.0f << 0.0;
    QTest::newRow("x 3 is index 2") << 3.0f << 2.0;
    QTest::newRow("x 599 is index 300") << 599.0f << 300.0;
    QTest::newRow("x 4.2 is index 2") << 4.2f << 2.0;
    QTest::newRow("x -5 left of the surface is index -2") << -5.0f << -2.0;
}

void TestMarkers::sampleIndexHalvesGoToEven()
{
    QFETCH(float, x);
    QFETCH(double, index);
    QCOMPARE(ScopeGeometry::sampleAt(ScopeGeometry::samplePositionAt(x)), index);
}

void TestMarkers::pointerReadoutsFollowTheMouse_data()
{
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("level");

    QTest::newRow("top of the surface is level 128") << 1.909 << 5.0f << 0.0f << "3.82"
                                                     << "128";
    QTest::newRow("y 2 reads 126") << 1.909 << 7.0f << 2.0f << "7.64"
                                   << "126";
    QTest::newRow("y 3 reads 126, the half going to even") << 1.909 << 2.0f << 3.0f << "1.91"
                                                           << "126";
    QTest::newRow("y 4 reads 126") << 1.909 << 2.0f << 4.0f << "1.91"
                                   << "126";
    QTest::newRow("y 5 reads 125, the half going to even") << 1.909 << 2.0f << 5.0f << "1.91"
                                                           << "125";
    QTest::newRow("the zero line reads 0") << 1.909 << 0.0f << 255.0f << "."
                                           << "0";
    QTest::newRow("bottom of the surface is level -128") << 1.909 << 599.0f << 511.0f << "572.7"
                                                         << "-128";
    QTest::newRow("before any timing reply the time is a lone point")
        << 0.0 << 300.0f << 100.0f << "."
        << "78";
    QTest::newRow("a time below 1 has no integer digit") << 0.25 << 2.0f << 100.0f << ".25"
                                                         << "78";
    QTest::newRow("dragged out left and above gives a negative time and a level above 128")
        << 1.909 << -20.0f << -10.0f << "-19.09"
        << "132";
    QTest::newRow("dragged out below gives a level under -128")
        << 1.909 << 610.0f << 600.0f << "582.25"
        << "-172";
}

void TestMarkers::pointerReadoutsFollowTheMouse()
{
    QFETCH(double, timeGrid);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QString, time);
    QFETCH(QString, level);

    CoreFixture f;
    knowTiming(f.core, timeGrid);
    f.core.pointAt(ScopeGeometry::samplePositionAt(x), ScopeGeometry::levelPositionAt(y));

    QCOMPARE(f.core.readout(Readout::Time), time);
    QCOMPARE(f.core.readout(Readout::Level), level);
    QVERIFY(f.comm.log.isEmpty());
}

void TestMarkers::markerReadoutsAndWidth_data()
{
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<float>("startSample");
    QTest::addColumn<float>("endSample");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("width");

    QTest::newRow("samples 2.5 and 3.5 with the grid 1.909 read 3.82 and 7.64")
        << 1.909 << 2.5f << 3.5f << "3.82"
        << "7.64"
        << "3.82";
    QTest::newRow("start 12.35 and end 10.1 are 2.25 apart") << 0.05 << 247.0f << 202.0f << "12.35"
                                                             << "10.1"
                                                             << "2.25";
    QTest::newRow("start 3. and end 0. are 3. apart") << 1.0 << 3.0f << 0.0f << "3."
                                                      << "0."
                                                      << "3.";
    QTest::newRow("the width is the difference of the rounded texts, not of the times")
        << 0.3333 << 1.0f << 2.0f << "0.33"
        << "0.67"
        << "0.34";
    QTest::newRow("before any timing reply every marker time reads 0.")
        << 0.0 << 50.0f << 150.0f << "0."
        << "0."
        << "0.";
}

void TestMarkers::markerReadoutsAndWidth()
{
    QFETCH(double, timeGrid);
    QFETCH(float, startSample);
    QFETCH(float, endSample);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, width);

    CoreFixture f;
    Core& core = f.core;
    knowTiming(core, timeGrid);

    core.placeMarkerAt(startSample);
    QCOMPARE(core.markerStart(), startSample);
    QCOMPARE(core.readout(Readout::MarkerStart), start);
    QVERIFY(core.readout(Readout::MarkerEnd).isEmpty());

    core.placeMarkerAt(endSample);
    QCOMPARE(core.markerEnd(), endSample);
    QCOMPARE(core.readout(Readout::MarkerEnd), end);
    QCOMPARE(core.readout(Readout::MarkerWidth), width);
}

void TestMarkers::labelsMoveInNearTheRightEdge_data()
{
    QTest::addColumn<bool>("endMarker");
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("labelX");
    QTest::newRow("Start at 560 is written from 537") << false << 560.0f << 537;
    QTest::newRow("Start at 550 is written from 527") << false << 550.0f << 527;
    QTest::newRow("Start at 549 is written from 549") << false << 549.0f << 549;
    QTest::newRow("End at 560 is written from 540") << true << 560.0f << 540;
    QTest::newRow("End at 549 is written from 549") << true << 549.0f << 549;
}

void TestMarkers::labelsMoveInNearTheRightEdge()
{
    QFETCH(bool, endMarker);
    QFETCH(float, x);
    QFETCH(int, labelX);

    CoreFixture f;
    Core& core = f.core;
    constexpr float kOtherMarker = 20; // far left: x 40
    if (endMarker)
        core.placeMarkerAt(kOtherMarker);
    core.placeMarkerAt(ScopeGeometry::samplePositionAt(x));

    // One marker per click, told as which one and where; its line is drawn at x itself, and only
    // its label moves in.
    QCOMPARE(f.shown.markers.size(), endMarker ? 2 : 1);
    const ShownRecord::Marker& placed = f.shown.markers.last();
    QCOMPARE(placed.which, endMarker ? Core::Marker::End : Core::Marker::Start);
    QCOMPARE(placed.label, endMarker ? QStringLiteral("End") : QStringLiteral("Start"));
    const float lineX = ScopeGeometry::xOfSamplePosition(placed.samplePosition);
    QCOMPARE(lineX, x);
    QCOMPARE(ScopeGeometry::markerLabelX(lineX, endMarker), float(labelX));
    if (endMarker) {
        // The start marker far left keeps its label beside its line.
        const ShownRecord::Marker& first = f.shown.markers.first();
        QCOMPARE(first.which, Core::Marker::Start);
        QCOMPARE(first.label, QStringLiteral("Start"));
        const float firstX = ScopeGeometry::xOfSamplePosition(first.samplePosition);
        QCOMPARE(ScopeGeometry::markerLabelX(firstX, false), firstX);
    }
}

void TestMarkers::aStartMarkerAtZeroCountsAsPlaced()
{
    CoreFixture f;
    Core& core = f.core;
    knowTiming(core, 1);
    core.placeMarkerAt(0);
    QCOMPARE(core.markerStart(), 0.0f);
    QCOMPARE(core.readout(Readout::MarkerStart), QStringLiteral("0."));

    core.placeMarkerAt(20);
    QCOMPARE(core.markerStart(), 0.0f);
    QCOMPARE(core.markerEnd(), 20.0f);
    QCOMPARE(core.readout(Readout::MarkerEnd), QStringLiteral("20."));
    QCOMPARE(core.readout(Readout::MarkerWidth), QStringLiteral("20."));
}

void TestMarkers::leftClickStopsTheRunningScopeFirst()
{
    CoreFixture f;
    Core& core = f.core;
    core.startScope();
    f.comm.log.clear();

    core.placeMarkerAt(100);

    QCOMPARE(f.comm.log, (QStringList{kWriteStop, kClose}));
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(core.lampColour(), int(kRed));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.markerStart(), 100.0f);
}

void TestMarkers::thirdLeftClickOnlyStops()
{
    CoreFixture f;
    Core& core = f.core;
    knowTiming(core, 1.909);
    core.placeMarkerAt(100);
    core.placeMarkerAt(200);
    const QStringList shown = f.shown.events;
    const QStringList readouts = markerReadouts(core);
    f.comm.log.clear();
    setLineMode(core, Core::LineMode::Timing);

    core.placeMarkerAt(300);

    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, kWriteStop, kClose}));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.markerStart(), 100.0f);
    QCOMPARE(core.markerEnd(), 200.0f);
    QCOMPARE(markerReadouts(core), readouts);
    // No third marker and no clear: the scope shows what it showed.
    QCOMPARE(f.shown.events, shown);
}

void TestMarkers::leftClickOnAPortThatCannotOpenPlacesNoMarker()
{
    CoreFixture f;
    Core& core = f.core;
    f.comm.openFailures.insert(1, CommErrorNumber::InvalidPort);

    core.placeMarkerAt(100);

    QCOMPARE(f.dialogs.texts(), QStringList{messagesOf(core).msgInvalidPort});
    QCOMPARE(core.portPosition(), -1);
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(core.markerStart(), -1.0f);
    QVERIFY(core.readout(Readout::MarkerStart).isEmpty());
    QVERIFY(f.shown.markers.isEmpty());
    QVERIFY(!f.shown.scopeDrawn);
    // The stop's first steps cannot fail and stay done.
    QCOMPARE(core.lampColour(), int(kRed));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
}

void TestMarkers::rightClickRedrawsTheStoredBlockInTheChosenColour()
{
    CoreFixture f;
    Core& core = f.core;
    constexpr int kReceived = 200; // the last 100 entries never arrived
    constexpr quint8 kLevel = 100; // drawn at y 511 - 200
    SampleBlock received;
    for (int i = 1; i <= kReceived; ++i)
        received.entry[i] = kLevel;
    holdBlock(core, received);
    knowTiming(core, 1);
    core.placeMarkerAt(225);
    core.placeMarkerAt(250);
    core.pointAt(10, 112.5); // the level halfway goes to even
    core.chooseTraceColour(3);
    CoreInsides::setLampColour(core, int(kGreen));
    setLineMode(core, Core::LineMode::Timing);
    f.comm.log.clear();
    const SampleBlock held = core.lastBlock();
    const qsizetype shownBefore = f.shown.events.size();

    core.clearMarkers();

    // A clear takes the marker lines away, then the held block is drawn as it is, in magenta:
    // the entries that never arrived stay empty, so the trace ends at the last received sample.
    QCOMPARE(f.shown.events.mid(shownBefore),
             (QStringList{QStringLiteral("clear"), QStringLiteral("block 16711935")}));
    const ShownRecord::Block& drawn = f.shown.blocks.last();
    QCOMPARE(drawn.colour, int(kMagenta));
    QVERIFY(drawn.block.entry == held.entry);
    QCOMPARE(drawn.block.entry[kReceived].value_or(0), kLevel);
    QVERIFY(!drawn.block.entry[kReceived + 1].has_value());
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    QCOMPARE(markerReadouts(core), kNoMarkerReadouts);
    QCOMPARE(core.readout(Readout::Time), QStringLiteral("10."));
    QCOMPARE(core.readout(Readout::Level), QStringLiteral("112"));
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(core.lampColour(), int(kGreen));
    QCOMPARE(core.lineMode(), Core::LineMode::Timing);
}

void TestMarkers::rightClickBeforeAnyBlockDrawsNothingVisible()
{
    CoreFixture f;
    Core& core = f.core;
    core.placeMarkerAt(100);
    QCOMPARE(f.shown.events, QStringList{QStringLiteral("marker 100 Start")});

    core.clearMarkers();

    // The clear takes the marker away; the block drawn after it holds no sample at all.
    QCOMPARE(f.shown.events, (QStringList{QStringLiteral("marker 100 Start"), QStringLiteral("clear"),
                                          QStringLiteral("block 65535")}));
    const SampleBlock& drawn = f.shown.blocks.last().block;
    QVERIFY(std::none_of(drawn.entry.cbegin(), drawn.entry.cend(),
                         [](const std::optional<quint8>& entry) { return entry.has_value(); }));
    QCOMPARE(core.markerStart(), -1.0f);
    QVERIFY(core.readout(Readout::MarkerStart).isEmpty());
}

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
