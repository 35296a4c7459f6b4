// SPDX-License-Identifier: GPL-3.0-or-later
// Start, Stop and the trigger buttons on the fake port: what goes on the line and in which order,
// the waits between the commands, and the state each handler leaves behind.

#include "core/link/ChipCommands.h"
#include "core/link/Link.h"
#include "core/scope/PassCounter.h"
#include "core/scope/ScopeChecks.h"
#include "core/scope/ScopeControl.h"
#include "support/CoreFixture.h"

#include <QtTest>

#include <functional>

using namespace ScopeChecks;

namespace {

void setMarkerState(Core& core)
{
    placeMarkersAt(core, 10, 20);
    for (const Readout r : {Readout::MarkerStart, Readout::MarkerEnd, Readout::MarkerWidth})
        CoreInsides::setReadout(core, r, QStringLiteral("1."));
}

using Handler = std::function<void(Core&)>;
Handler handlerNamed(const QString& name)
{
    if (name == QLatin1String("Be"))
        return [](Core& core) { core.startScope(); };
    if (name == QLatin1String("Triger_be"))
        return [](Core& core) { core.startTriggered(); };
    return [](Core& core) { core.startUntriggered(); };
}
} // namespace

class TestScopeControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startQueriesTimingThenRunsTheScope();
    void startWhileRunningRepeatsBothPhasesWithoutAReply();
    void startFailingToOpenForBlocksStaysInTimingMode();
    void openingFailuresAreReportedAfterTheMarkersAreCleared_data();
    void openingFailuresAreReportedAfterTheMarkersAreCleared();
    void stopSendsQOnThePortAsItStands_data();
    void stopSendsQOnThePortAsItStands();
    void stopFailingKeepsTheLampAndModeItSet();
    void stopClickedDuringStartsWaitRunsNestedAndStartGoesOn();
    void triggerOnPlotsDuringItsSecondWaitThenClears();
    void triggerOnAfterStopInItsSecondWaitSendsThroughABriefOpening();
    void triggerOffDropsBytesOneAtATimeAndKeepsTheTrace();
};

void TestScopeControl::startQueriesTimingThenRunsTheScope()
{
    CoreFixture f;
    Core& core = f.core;
    setMarkerState(core);
    f.markScope();
    bool timingProfileAtQuery = false;
    bool captureProfileAtStart = false;
    auto modeAtQuery = kModeNotSeen;
    PassCounter passes;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            timingProfileAtQuery = profileIs(f.comm, kTimingProfile);
            modeAtQuery = core.lineMode();
            f.comm.receive(kTimingReplyDigit4);
            passes.start([&] { return f.comm.writes.last() == kScopeStartLine; });
        } else if (bytes == kScopeStartLine) {
            captureProfileAtStart = profileIs(f.comm, kCaptureProfile);
        }
    };

    core.startScope();
    CoreFixture::settle();

    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                                      writeOf(kScopeStartLine)}));
    QVERIFY(timingProfileAtQuery);
    QCOMPARE(modeAtQuery, Core::LineMode::Timing);
    QVERIFY(captureProfileAtStart);
    // The reply was decoded inside the wait: after it the port was reopened and its buffer emptied.
    QCOMPARE(passes.count(), Wait::kTiming);
    QCOMPARE(core.timeGrid(), 1.909);
    QCOMPARE(core.readout(Readout::TimeGrid), QStringLiteral("1.91"));
    QCOMPARE(core.readout(Readout::PidFrequency), QStringLiteral("2619.17"));

    QCOMPARE(core.portNumber(), 1);
    QVERIFY(f.comm.portOpen());
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.lampColour(), int(kGreen));
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    QCOMPARE(markerReadouts(core), kNoMarkerReadouts);
}

void TestScopeControl::startWhileRunningRepeatsBothPhasesWithoutAReply()
{
    CoreFixture f;
    Core& core = f.core;
    core.startScope();
    f.comm.log.clear();
    f.markScope();
    knowTiming(core, 2.8635);
    CoreInsides::setReadout(core, Readout::TimeGrid, QStringLiteral("2.86"));

    // The chip does not answer this time: the full wait runs and the start goes on.
    core.startScope();

    QCOMPARE(f.comm.log, (QStringList{kClose, kOpenPort1, writeOf(kTimingQueryLine), kClose,
                                      kOpenPort1, writeOf(kScopeStartLine)}));
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.timeGrid(), 2.8635);
    QCOMPARE(core.readout(Readout::TimeGrid), QStringLiteral("2.86"));
}

void TestScopeControl::startFailingToOpenForBlocksStaysInTimingMode()
{
    CoreFixture f;
    Core& core = f.core;
    setMarkerState(core);
    f.markScope();
    // The timing phase opens; the port then refuses its second opening.
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine)
            f.comm.openFailures.insert(1, CommErrorNumber::BadSettings);
    };

    core.startScope();

    QCOMPARE(f.comm.writes, QList<QByteArray>{kTimingQueryLine});
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(core.lineMode(), Core::LineMode::Timing);
    QCOMPARE(core.lampColour(), int(kRed));
    QVERIFY(f.shown.scopeDrawn);
    QCOMPARE(core.markerStart(), -1.0f);
    QVERIFY(core.readout(Readout::MarkerStart).isEmpty());
    QCOMPARE(f.shown.formTexts, QStringList{QStringLiteral(" 8015 ")});
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(core.portPosition(), 0);
}

void TestScopeControl::openingFailuresAreReportedAfterTheMarkersAreCleared_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<int>("position");    // the port choice, -1 for none
    QTest::addColumn<int>("openFailure"); // what port 1 raises on opening, 0 for nothing
    QTest::addColumn<QString>("message"); // the box shown, empty for none
    QTest::addColumn<int>("positionAfter");
    QTest::addColumn<QString>("formText"); // written on the window, empty for none

    const QString invalid = QStringLiteral("Invalid Port Number! Please select anothert!");
    const QString used = QStringLiteral("This Port Used! Please select anothert!");
    for (const QString& handler :
         {QStringLiteral("Be"), QStringLiteral("Triger_be"), QStringLiteral("Triger_ki")}) {
        const QByteArray h = handler.toLatin1();
        QTest::addRow("%s with no port chosen shows the invalid-port box", h.constData())
            << handler << -1 << 0 << invalid << -1 << QString();
        QTest::addRow("%s on a port in use shows the port-used box and clears the choice",
                      h.constData())
            << handler << 0 << int(CommErrorNumber::PortInUse) << used << -1 << QString();
        QTest::addRow("%s on a port refusing its settings writes the number on the window",
                      h.constData())
            << handler << 0 << int(CommErrorNumber::BadSettings) << QString() << 0
            << QStringLiteral(" 8015 ");
    }
}

void TestScopeControl::openingFailuresAreReportedAfterTheMarkersAreCleared()
{
    QFETCH(QString, handler);
    QFETCH(int, position);
    QFETCH(int, openFailure);
    QFETCH(QString, message);
    QFETCH(int, positionAfter);
    QFETCH(QString, formText);

    CoreFixture f;
    Core& core = f.core;
    f.choosePort(position);
    if (openFailure != 0)
        f.comm.openFailures.insert(1, openFailure);
    setMarkerState(core);
    f.markScope();
    CoreInsides::setLampColour(core, int(kGreen));
    setLineMode(core, Core::LineMode::Capture);

    handlerNamed(handler)(core);

    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(f.dialogs.shown.first().icon, MsgIcon::Critical);
    QCOMPARE(f.shown.formTexts, formText.isEmpty() ? QStringList() : QStringList{formText});
    QCOMPARE(core.portPosition(), positionAfter);
    // What ran before the trap stays done; nothing after the failing step ran.
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    QCOMPARE(markerReadouts(core), kNoMarkerReadouts);
    QCOMPARE(core.lampColour(), int(kGreen));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QVERIFY(f.shown.scopeDrawn);
    QVERIFY(!f.comm.portOpen());
}

void TestScopeControl::stopSendsQOnThePortAsItStands_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("stop while running writes q on the open port and closes it")
        << true << QStringList{writeOf(kStopLine), kClose};
    QTest::newRow("stop on a closed port opens it with the number it holds for q")
        << false << QStringList{kOpenPort1, writeOf(kStopLine), kClose};
}

void TestScopeControl::stopSendsQOnThePortAsItStands()
{
    QFETCH(bool, running);
    QFETCH(QStringList, log);

    CoreFixture f;
    Core& core = f.core;
    if (running) {
        core.startScope();
    } else {
        core.startScope();
        core.stopScope();
        // Stop takes the number the port holds, not the choice in the list.
        f.choosePort(4);
    }
    f.comm.log.clear();
    placeMarkersAt(core, 10, 20);
    const QStringList readouts(3, QStringLiteral("7."));
    for (const Readout r : {Readout::MarkerStart, Readout::MarkerEnd, Readout::MarkerWidth})
        CoreInsides::setReadout(core, r, QStringLiteral("7."));
    f.markScope();

    core.stopScope();

    QCOMPARE(f.comm.log, log);
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(core.portNumber(), 1);
    QCOMPARE(core.lampColour(), int(kRed));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.markerStart(), -1.0f);
    QCOMPARE(core.markerEnd(), -1.0f);
    // Stop leaves the readouts and the scope as they are.
    QCOMPARE(markerReadouts(core), readouts);
    QVERIFY(f.shown.scopeDrawn);
}

void TestScopeControl::stopFailingKeepsTheLampAndModeItSet()
{
    CoreFixture f;
    Core& core = f.core;
    CoreInsides::setLampColour(core, int(kGreen));
    setLineMode(core, Core::LineMode::Timing);
    placeMarkersAt(core, 10, -1);
    f.comm.openFailures.insert(1, CommErrorNumber::PortInUse);

    core.stopScope();

    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.dialogs.texts(), QStringList{messagesOf(core).msgPortUsed});
    QCOMPARE(core.portPosition(), -1);
    QCOMPARE(core.lampColour(), int(kRed));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.markerStart(), -1.0f);
}

void TestScopeControl::stopClickedDuringStartsWaitRunsNestedAndStartGoesOn()
{
    CoreFixture f;
    Core& core = f.core;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        // The user presses Stop while Start waits for the timing reply.
        if (bytes == kTimingQueryLine)
            QMetaObject::invokeMethod(
                &core, [&] { core.stopScope(); }, Qt::QueuedConnection);
    };

    core.startScope();

    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), writeOf(kStopLine),
                                      kClose, kOpenPort1, writeOf(kScopeStartLine)}));
    QVERIFY(f.comm.portOpen());
    QVERIFY(profileIs(f.comm, kCaptureProfile));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(core.lampColour(), int(kGreen));
}

void TestScopeControl::triggerOnPlotsDuringItsSecondWaitThenClears()
{
    CoreFixture f;
    Core& core = f.core;
    constexpr quint8 kLevel = 200;
    PassCounter secondWait;
    auto modeAtScopeStart = kModeNotSeen;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            f.comm.receive(kTimingReplyDigit4);
        } else if (bytes == kScopeStartLine) {
            modeAtScopeStart = core.lineMode();
            f.comm.receive(QByteArray(kBlockSize, char(kLevel)));
            secondWait.start([&] { return f.comm.writes.last() != kScopeStartLine; });
        }
    };

    core.startTriggered();
    CoreFixture::settle();

    // The block was captured inside the wait: the dispatcher closed and reopened the port.
    QCOMPARE(f.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                                      writeOf(kScopeStartLine), kClose, kOpenPort1,
                                      writeOf(kTriggerOnLine)}));
    QCOMPARE(modeAtScopeStart, Core::LineMode::Capture);
    QCOMPARE(secondWait.count(), Wait::kTiming);
    QCOMPARE(core.lastBlock().entry[kBlockSize].value_or(0), kLevel);
    QCOMPARE(core.timeGrid(), 1.909);
    // ... and drawn, on a cleared scope; the trigger's own clear took the trace away again.
    QCOMPARE(f.shown.blocks.size(), 1);
    QCOMPARE(f.shown.blocks.first().block.entry[kBlockSize].value_or(0), kLevel);
    QCOMPARE(f.shown.events, (QStringList{QStringLiteral("clear"), QStringLiteral("block 65535"),
                                          QStringLiteral("clear")}));
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.lampColour(), int(kGreen));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QVERIFY(f.comm.portOpen());
    QVERIFY(profileIs(f.comm, kCaptureProfile));
}

void TestScopeControl::triggerOnAfterStopInItsSecondWaitSendsThroughABriefOpening()
{
    CoreFixture f;
    Core& core = f.core;
    f.markScope();
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kScopeStartLine)
            QMetaObject::invokeMethod(
                &core, [&] { core.stopScope(); }, Qt::QueuedConnection);
    };

    core.startTriggered();

    QCOMPARE(f.comm.log,
             (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                          writeOf(kScopeStartLine), writeOf(kStopLine), kClose, kOpenPort1,
                          writeOf(kTriggerOnLine), kClose}));
    QVERIFY(!f.comm.portOpen());
    QVERIFY(!f.shown.scopeDrawn);
    QCOMPARE(core.lampColour(), int(kGreen));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
}

void TestScopeControl::triggerOffDropsBytesOneAtATimeAndKeepsTheTrace()
{
    CoreFixture f;
    Core& core = f.core;
    f.markScope();
    CoreInsides::setLampColour(core, int(kGreen));
    PassCounter secondWait;
    auto modeAtTrigger = kModeNotSeen;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            f.comm.receive(kTimingReplyDigit4);
        } else if (bytes == kScopeStartLine) {
            f.comm.receive(QByteArray(kBlockSize, 'P'));
            secondWait.start([&] { return f.comm.writes.last() != kScopeStartLine; });
        } else {
            modeAtTrigger = core.lineMode();
        }
    };

    core.startUntriggered();
    CoreFixture::settle();

    QCOMPARE(f.comm.log,
             (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                          writeOf(kScopeStartLine), writeOf(kTriggerOffLine)}));
    QCOMPARE(secondWait.count(), Wait::kTiming);
    QCOMPARE(modeAtTrigger, Core::LineMode::Timing);
    // The timing branch took one byte per receive event until fewer than the threshold waited;
    // none of them was a timing value and none was plotted.
    QCOMPARE(f.comm.inBufferCount(), kCaptureProfile.threshold - 1);
    QVERIFY(!core.lastBlock().entry[1].has_value());
    QCOMPARE(core.timeGrid(), 1.909);
    QCOMPARE(core.readout(Readout::TimeGrid), QStringLiteral("1.91"));
    QVERIFY(f.shown.blocks.isEmpty());
    QVERIFY(f.shown.scopeDrawn);
    QCOMPARE(core.lampColour(), int(kRed));
    QCOMPARE(core.lineMode(), Core::LineMode::Capture);
    QVERIFY(f.comm.portOpen());
    QVERIFY(profileIs(f.comm, kCaptureProfile));
}

QTEST_GUILESS_MAIN(TestScopeControl)
#include "tst_scopecontrol.moc"
