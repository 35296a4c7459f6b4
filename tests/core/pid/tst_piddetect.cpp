// SPDX-License-Identifier: GPL-3.0-or-later
// PID frequency detect on the fake port: the stop phase, the timing phase, the two waits, the
// readouts the reply gives, and where a port failure leaves things.

#include "core/link/ChipCommands.h"
#include "core/link/Link.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "core/scope/PassCounter.h"
#include "core/scope/ScopeChecks.h"
#include "support/CoreFixture.h"

#include <QtTest>

using namespace ScopeChecks;

namespace {

// The core as a running scope leaves it: a trace on the scope and two markers placed.
void runningScopeWithMarkers(CoreFixture& f)
{
    Core& core = f.core;
    setLineMode(core, Core::LineMode::Capture);
    CoreInsides::setLampColour(core, int(kGreen));
    f.markScope();
    placeMarkersAt(core, 10, 20);
    for (const Readout r : {Readout::MarkerStart, Readout::MarkerEnd, Readout::MarkerWidth})
        CoreInsides::setReadout(core, r, QStringLiteral("1."));
}
} // namespace

class TestPidDetect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsTheStreamThenQueriesTheTiming();
    void streamBytesOfTheFirstWaitAreHandledInTheEarlierMode();
    void aFailureLeavesWhatTheStepsBeforeItDid_data();
    void aFailureLeavesWhatTheStepsBeforeItDid();
};

void TestPidDetect::stopsTheStreamThenQueriesTheTiming()
{
    CoreFixture f;
    Core& core = f.core;
    runningScopeWithMarkers(f);
    PassCounter stopWait;
    PassCounter replyWait;
    bool consoleProfileAtStop = false;
    auto modeAtStop = kModeNotSeen;
    bool timingProfileAtQuery = false;
    auto modeAtQuery = kModeNotSeen;
    int lampAtQuery = 0;
    bool clearedInReplyWait = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kStopLine) {
            consoleProfileAtStop = profileIs(f.comm, kConsoleProfile);
            modeAtStop = core.lineMode();
            stopWait.start([&] { return f.comm.writes.last() == kTimingQueryLine; });
        } else if (bytes == kTimingQueryLine) {
            timingProfileAtQuery = profileIs(f.comm, kTimingProfile);
            modeAtQuery = core.lineMode();
            lampAtQuery = core.lampColour();
            f.comm.receive(kTimingReplyDigit4);
            replyWait.start([&] { return !f.comm.portOpen(); });
            // Runs in the first pass of the wait: the scope is cleared before the wait.
            QMetaObject::invokeMethod(
                &core, [&] { clearedInReplyWait = !f.shown.scopeDrawn; }, Qt::QueuedConnection);
        }
    };

    core.detectTiming();
    CoreFixture::settle();

    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, writeOf(kStopLine), kClose, kOpenPort1,
                                      writeOf(kTimingQueryLine), kClose}));
    QVERIFY(consoleProfileAtStop);
    QCOMPARE(modeAtStop, Core::LineMode::Capture);
    QCOMPARE(stopWait.count(), Wait::kStopThenListing);
    QVERIFY(timingProfileAtQuery);
    QCOMPARE(modeAtQuery, Core::LineMode::Timing);
    QCOMPARE(lampAtQuery, int(kRed));
    QVERIFY(clearedInReplyWait);
    QCOMPARE(replyWait.count(), Wait::kPidReply);

    QCOMPARE(core.timeGrid(), 1.909);
    QCOMPARE(core.readout(Readout::TimeGrid), QStringLiteral("1.91"));
    QCOMPARE(core.readout(Readout::PidFrequency), QStringLiteral("2619.17"));
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(core.lineMode(), Core::LineMode::Timing);
    QCOMPARE(core.lampColour(), int(kRed));
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    QCOMPARE(markerReadouts(core), kNoMarkerReadouts);
}

void TestPidDetect::streamBytesOfTheFirstWaitAreHandledInTheEarlierMode()
{
    CoreFixture f;
    Core& core = f.core;
    runningScopeWithMarkers(f);
    constexpr quint8 kLevel = 90; // drawn at y 511 - 180
    f.comm.onWrite = [&](const QByteArray& bytes) {
        // The chip finishes the block it was sending when "q" came.
        if (bytes == kStopLine)
            f.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    };

    core.detectTiming();

    // The capture branch took the block and cycled the port; PID detect went on after it.
    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, writeOf(kStopLine), kClose, kOpenPort1, kClose,
                                      kOpenPort1, writeOf(kTimingQueryLine), kClose}));
    QCOMPARE(core.lastBlock().entry[kBlockSize].value_or(0), kLevel);
    // It was drawn, and then cleared with the timing phase.
    QCOMPARE(f.shown.events, (QStringList{QStringLiteral("clear"), QStringLiteral("block 65535"),
                                          QStringLiteral("clear")}));
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.lampColour(), int(kRed));

    // The block is still held: a right click draws it again.
    core.clearMarkers();
    QCOMPARE(f.shown.blocks.size(), 2);
    QCOMPARE(f.shown.blocks.last().colour, int(kYellow));
    QCOMPARE(f.shown.blocks.last().block.entry[150].value_or(0), kLevel);
    QVERIFY(f.shown.scopeDrawn);
}

void TestPidDetect::aFailureLeavesWhatTheStepsBeforeItDid_data()
{
    QTest::addColumn<bool>("inTimingPhase"); // the failing opening: stop phase or timing phase
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("openFailure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("positionAfter");
    QTest::addColumn<QString>("formText");

    const QString invalid = QStringLiteral("Invalid Port Number! Please select anothert!");
    const QString used = QStringLiteral("This Port Used! Please select anothert!");
    QTest::newRow("no port chosen fails the stop phase with nothing sent")
        << false << -1 << 0 << invalid << -1 << QString();
    QTest::newRow("a port in use fails the stop phase with nothing sent")
        << false << 0 << int(CommErrorNumber::PortInUse) << used << -1 << QString();
    QTest::newRow("a port taken by another program after q fails the timing phase")
        << true << 0 << int(CommErrorNumber::PortInUse) << used << -1 << QString();
    QTest::newRow("a port refusing its settings after q writes the number on the window")
        << true << 0 << int(CommErrorNumber::BadSettings) << QString() << 0
        << QStringLiteral(" 8015 ");
}

void TestPidDetect::aFailureLeavesWhatTheStepsBeforeItDid()
{
    QFETCH(bool, inTimingPhase);
    QFETCH(int, position);
    QFETCH(int, openFailure);
    QFETCH(QString, message);
    QFETCH(int, positionAfter);
    QFETCH(QString, formText);

    CoreFixture f;
    Core& core = f.core;
    runningScopeWithMarkers(f);
    knowTiming(core, 2.8635);
    CoreInsides::setReadout(core, Readout::TimeGrid, QStringLiteral("2.86"));
    CoreInsides::setReadout(core, Readout::PidFrequency, QStringLiteral("1746.11"));
    f.choosePort(position);
    if (openFailure != 0 && !inTimingPhase)
        f.comm.openFailures.insert(1, openFailure);
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kStopLine && inTimingPhase)
            f.comm.openFailures.insert(1, openFailure);
        if (bytes == kTimingQueryLine)
            f.comm.receive("J11001\r"); // a reply, should a query get through
    };

    core.detectTiming();
    CoreFixture::settle();

    QCOMPARE(f.comm.writes, inTimingPhase ? QList<QByteArray>{kStopLine} : QList<QByteArray>{});
    QCOMPARE(f.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.shown.formTexts, formText.isEmpty() ? QStringList() : QStringList{formText});
    QCOMPARE(core.portPosition(), positionAfter);
    QVERIFY(!f.comm.portOpen());
    // Cleared before the trap, whatever failed.
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    QCOMPARE(markerReadouts(core), kNoMarkerReadouts);
    // The lamp turns red only between the phases; the mode and the clear belong to the second.
    QCOMPARE(core.lampColour(), inTimingPhase ? int(kRed) : int(kGreen));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QVERIFY(f.shown.scopeDrawn);
    QCOMPARE(core.timeGrid(), 2.8635);
    QCOMPARE(core.readout(Readout::TimeGrid), QStringLiteral("2.86"));
    QCOMPARE(core.readout(Readout::PidFrequency), QStringLiteral("1746.11"));
}

QTEST_GUILESS_MAIN(TestPidDetect)
#include "tst_piddetect.moc"
