// SPDX-License-Identifier: GPL-3.0-or-later
// The scope end to end: the window's handlers on the real port (QSerialPort) against the
// simulated chip. Start, Stop, a marker click, PID detect and trigger mode, judged by what the
// user sees: the readouts, the lamp, the trace on the surface and whether blocks keep coming.

#include "support/BlockWatch.h"
#include "support/SimulatedWindow.h"

#include "core/console/Console.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "core/pid/PidDetect.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/ScopeGeometry.h"
#include "window/ScopeSurface.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {
constexpr int kBlockTimeoutMs = 5000;
constexpr int kListingTimeoutMs = 5000;
// A free-running chip sends some 38 blocks a second, of which the capture cycle takes about
// every other one; a few over half a second leaves a wide margin on a loaded machine.
constexpr int kWatchMs = 500;
constexpr int kFewestDistinctBlocks = 3;
// After Stop, nothing may change on the surface for this long.
constexpr int kQuietMs = 300;
// Trigger mode: the chip's axis moves every 0.6 to 1.0 s and each move gives one block, some
// 0.6 s after the move began (300 samples of 1.9 ms). Three seconds hold at least one.
constexpr int kFreeRunningWindowMs = 1000;
constexpr int kTriggeredWindowMs = 3000;
constexpr double kFreeRunningOverTriggered = 4;
const QRgb kYellowTrace = qRgb(255, 255, 0);
// The last column of the surface; sample 300 (x = 600) lies beyond it.
constexpr int kLastColumn = 599;
} // namespace

class TestScopeSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startShowsTheTimingAndPlotsBlocks_data();
    void startShowsTheTimingAndPlotsBlocks();
    void stopEndsTheStreamAtTheChip();
    void leftClickPlacesAMarkerAndTheTraceStays();
    void pidDetectUpdatesTheReadoutsAndLeavesTheScopeStopped_data();
    void pidDetectUpdatesTheReadoutsAndLeavesTheScopeStopped();
    void triggerModeGivesFewerBlocksThanFreeRunning();
};

void TestScopeSim::startShowsTheTimingAndPlotsBlocks_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QString>("timeGrid");
    QTest::addColumn<QString>("pidFrequency");
    QTest::newRow("the default timing digit shows 1.91 ms and 2619.17 Hz")
        << QStringList{} << "1.91"
        << "2619.17";
    QTest::newRow("timing digit 7 shows 3.34 ms and 1496.67 Hz")
        << QStringList{"--timing-digit", "7"} << "3.34"
        << "1496.67";
    QTest::newRow("timing digit 1 shows 0.48 ms and 10476.69 Hz")
        << QStringList{"--timing-digit", "1"} << "0.48"
        << "10476.69";
}

void TestScopeSim::startShowsTheTimingAndPlotsBlocks()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QString, timeGrid);
    QFETCH(QString, pidFrequency);
    SimulatedWindow w;
    QVERIFY2(w.startChip(simArguments), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);

    const double ms = startScopeTookMs(w.fo);
    qInfo("Start took %.0f ms", ms);

    // The timing reply has come within the counted wait.
    QCOMPARE(w.fo.Gr(2)->text(), timeGrid);
    QCOMPARE(w.fo.MX(5)->text(), pidFrequency);
    QCOMPARE(w.fo.lampColour(), int(kGreen));
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Capture);
    QVERIFY(w.comm.portOpen());

    QVERIFY(waitUntil([&] { return watch.distinctBlocks() >= 1; }, kBlockTimeoutMs));
    const int before = watch.distinctBlocks();
    idleFor(kWatchMs);
    QVERIFY2(watch.distinctBlocks() - before >= kFewestDistinctBlocks,
             qPrintable(QStringLiteral("%1 distinct blocks in %2 ms")
                            .arg(watch.distinctBlocks() - before)
                            .arg(kWatchMs)));

    // What is on the surface is the block last stored, drawn in the trace colour. The event
    // that stored it raised the threshold at 299 bytes, so only sample 300 may be missing.
    const SampleBlock& block = w.fo.core().lastBlock();
    QCOMPARE(BlockWatch::missingSamples(block, kBlockSize - 1), 0);
    QCOMPARE(BlockWatch::pointsOffTrace(w.fo.Rajz->composite(), block, kYellowTrace, kLastColumn),
             0);
    QCOMPARE(w.fo.lampColour(), int(kGreen));
    QCOMPARE(w.reports(), QStringList{});
}

void TestScopeSim::stopEndsTheStreamAtTheChip()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    w.fo.core().startScope();
    QVERIFY(waitUntil([&] { return watch.captures() >= 2; }, kBlockTimeoutMs));

    QTest::mouseClick(w.fo.Ki, Qt::LeftButton);
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(w.fo.lampColour(), int(kRed));
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Capture);
    const QImage stopped = w.fo.Rajz->composite();
    const int captures = watch.captures();
    idleFor(kQuietMs);
    QCOMPARE(watch.captures(), captures);
    QVERIFY(w.fo.Rajz->composite() == stopped);

    // The chip itself has stopped: a register listing asked for without another "q" (Enter on
    // an empty command line) says so, with no block bytes mixed into the console.
    w.fo.core().sendLine(w.fo.Command->text());
    const QString expected = resetRegisterListing();
    QVERIFY(waitUntil([&] { return w.fo.Text->length() >= expected.size(); }, kListingTimeoutMs));
    idleFor(kQuietMs);
    QCOMPARE(w.fo.Text->text(), expected);
    QVERIFY(expected.contains(QLatin1String("scope stopped")));
    QCOMPARE(w.reports(), QStringList{});
}

void TestScopeSim::leftClickPlacesAMarkerAndTheTraceStays()
{
    // x = 101 stands for sample 50 (50.5 rounds to even); 50 * 1.909 ms.
    constexpr int kMarkerX = 101;
    const QString kMarkerTime = QStringLiteral("95.45");
    constexpr int kBelowLabel = 100; // the "Start" text sits near the top, right of the line

    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    w.fo.core().startScope();
    QVERIFY(waitUntil([&] { return watch.distinctBlocks() >= 2; }, kBlockTimeoutMs));

    QTest::mouseClick(w.fo.Rajz, Qt::LeftButton, {}, QPoint(kMarkerX, 300));
    // The core holds the marker where the click was, as a sample position.
    QCOMPARE(w.fo.core().markerStart(), ScopeGeometry::samplePositionAt(kMarkerX));
    QCOMPARE(w.fo.MX(2)->text(), kMarkerTime);
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(w.fo.lampColour(), int(kRed));

    const QImage marked = w.fo.Rajz->composite();
    for (int y = kBelowLabel; y < ScopePicture::kHeight; ++y)
        QCOMPARE(marked.pixel(kMarkerX, y) & RGB_MASK, w.fo.Rajz->foreColour() & RGB_MASK);
    // Left of the marker the trace is the last block's, and it stays: no block follows.
    QCOMPARE(BlockWatch::pointsOffTrace(marked, w.fo.core().lastBlock(), kYellowTrace,
                                        kMarkerX - 1),
             0);
    const int captures = watch.captures();
    idleFor(kQuietMs);
    QCOMPARE(watch.captures(), captures);
    QVERIFY(w.fo.Rajz->composite() == marked);
    QCOMPARE(w.reports(), QStringList{});
}

void TestScopeSim::pidDetectUpdatesTheReadoutsAndLeavesTheScopeStopped_data()
{
    QTest::addColumn<bool>("scopeRunning");
    QTest::newRow("PID detect on a window that has not started the scope") << false;
    QTest::newRow("PID detect while the scope runs stops it and clears the trace") << true;
}

void TestScopeSim::pidDetectUpdatesTheReadoutsAndLeavesTheScopeStopped()
{
    QFETCH(bool, scopeRunning);
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--timing-digit", "6"}), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    if (scopeRunning) {
        w.fo.core().startScope();
        QVERIFY(waitUntil([&] { return watch.distinctBlocks() >= 1; }, kBlockTimeoutMs));
        // So that the readouts are seen to be written again by PID detect.
        w.fo.Gr(2)->clear();
        CoreInsides::setReadout(w.fo.core(), Readout::PidFrequency, QStringLiteral("???"));
    }

    QVERIFY(detectUntilShown(w.fo, QStringLiteral("1746.11")));
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("2.86"));
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Timing);
    QCOMPARE(w.fo.lampColour(), int(kRed));

    // Cleared: the surface shows its background alone.
    QVERIFY(w.fo.Rajz->composite() ==
            w.fo.Rajz->picture().background().convertToFormat(QImage::Format_RGB32));
    const int captures = watch.captures();
    idleFor(kQuietMs);
    QCOMPARE(watch.captures(), captures);
    QCOMPARE(w.reports(), QStringList{});
}

void TestScopeSim::triggerModeGivesFewerBlocksThanFreeRunning()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);

    w.fo.core().startScope();
    QVERIFY(waitUntil([&] { return watch.captures() >= 1; }, kBlockTimeoutMs));
    int from = watch.captures();
    idleFor(kFreeRunningWindowMs);
    const double freeRunning = (watch.captures() - from) * 1000.0 / kFreeRunningWindowMs;

    QTest::mouseClick(w.fo.Triger_be, Qt::LeftButton);
    QCOMPARE(w.fo.lampColour(), int(kGreen));
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Capture);
    QVERIFY(w.comm.portOpen());
    from = watch.captures();
    idleFor(kTriggeredWindowMs);
    const int triggeredBlocks = watch.captures() - from;
    const double triggered = triggeredBlocks * 1000.0 / kTriggeredWindowMs;
    qInfo("blocks a second: %.1f free-running, %.1f in trigger mode", freeRunning, triggered);

    QVERIFY2(triggeredBlocks >= 1, "no block came after a move in trigger mode");
    QVERIFY2(triggered * kFreeRunningOverTriggered < freeRunning,
             qPrintable(QStringLiteral("%1 blocks a second triggered, %2 free-running")
                            .arg(triggered)
                            .arg(freeRunning)));
    QCOMPARE(w.reports(), QStringList{});
}

QTEST_MAIN(TestScopeSim)
#include "tst_scope_sim.moc"
