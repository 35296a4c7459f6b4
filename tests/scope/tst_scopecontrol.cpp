// Start, Stop and the trigger buttons on the fake port: what goes on the line and in which order,
// the waits between the commands, and the state each handler leaves behind.

#include "core/link/ChipCommands.h"
#include "core/link/Link.h"
#include "scope/PassCounter.h"
#include "scope/ScopeChecks.h"
#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

using namespace ScopeChecks;

namespace {

// Something on the drawing layer, to tell a cleared surface from one left alone.
void markSurface(Fo& fo)
{
    fo.Rajz->line(QPointF(10, 10), QPointF(200, 10), qRgb(255, 0, 0));
}

void setMarkerState(Fo& fo)
{
    fo.state.markerStart = 10;
    fo.state.markerEnd = 20;
    for (int i = 2; i <= 4; ++i)
        fo.core().setReadout(static_cast<Readout>(i), QStringLiteral("1."));
}

using Handler = std::function<void(Fo&)>;
Handler handlerNamed(const QString& name)
{
    if (name == QLatin1String("Be"))
        return [](Fo& fo) { fo.scope().Be_Click(); };
    if (name == QLatin1String("Triger_be"))
        return [](Fo& fo) { fo.scope().Triger_be_Click(); };
    return [](Fo& fo) { fo.scope().Triger_ki_Click(); };
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
    WindowFixture w;
    Fo& fo = w.fo;
    setMarkerState(fo);
    markSurface(fo);
    bool timingProfileAtQuery = false;
    bool captureProfileAtStart = false;
    quint8 modeAtQuery = 0xFF;
    PassCounter passes;
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            timingProfileAtQuery = profileIs(w.comm, kTimingProfile);
            modeAtQuery = fo.state.receiveMode;
            w.comm.receive(kTimingReplyDigit4);
            passes.start([&] { return w.comm.writes.last() == kScopeStartLine; });
        } else if (bytes == kScopeStartLine) {
            captureProfileAtStart = profileIs(w.comm, kCaptureProfile);
        }
    };

    fo.scope().Be_Click();
    WindowFixture::settle();

    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                                      writeOf(kScopeStartLine)}));
    QVERIFY(timingProfileAtQuery);
    QCOMPARE(modeAtQuery, quint8(ModeTiming));
    QVERIFY(captureProfileAtStart);
    // The reply was decoded inside the wait: after it the port was reopened and its buffer emptied.
    QCOMPARE(passes.count(), Wait::kTiming);
    QCOMPARE(fo.state.timeGrid, 1.909);
    QCOMPARE(fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(fo.MX(5)->text(), QStringLiteral("2619.17"));

    QCOMPARE(fo.state.portNumber, quint8(1));
    QVERIFY(w.comm.portOpen());
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.lampColour(), int(kGreen));
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
}

void TestScopeControl::startWhileRunningRepeatsBothPhasesWithoutAReply()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.scope().Be_Click();
    w.comm.log.clear();
    markSurface(fo);
    fo.state.timeGrid = 2.8635;
    fo.core().setReadout(Readout::TimeGrid, QStringLiteral("2.86"));

    // The chip does not answer this time: the full wait runs and the start goes on.
    fo.scope().Be_Click();

    QCOMPARE(w.comm.log, (QStringList{kClose, kOpenPort1, writeOf(kTimingQueryLine), kClose,
                                      kOpenPort1, writeOf(kScopeStartLine)}));
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.state.timeGrid, 2.8635);
    QCOMPARE(fo.Gr(2)->text(), QStringLiteral("2.86"));
}

void TestScopeControl::startFailingToOpenForBlocksStaysInTimingMode()
{
    WindowFixture w;
    Fo& fo = w.fo;
    setMarkerState(fo);
    markSurface(fo);
    // The timing phase opens; the port then refuses its second opening.
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine)
            w.comm.openFailures.insert(1, CommErrorNumber::BadSettings);
    };

    fo.scope().Be_Click();

    QCOMPARE(w.comm.writes, QList<QByteArray>{kTimingQueryLine});
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(fo.state.receiveMode, quint8(ModeTiming));
    QCOMPARE(fo.lampColour(), int(kRed));
    QVERIFY(!layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(fo.MX(2)->text().isEmpty());
    QCOMPARE(fo.formTexts(), QStringList{QStringLiteral(" 8015 ")});
    QVERIFY(w.dialogs.shown.isEmpty());
    QCOMPARE(fo.Portok->currentIndex(), 0);
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

    WindowFixture w;
    Fo& fo = w.fo;
    w.choosePort(position);
    if (openFailure != 0)
        w.comm.openFailures.insert(1, openFailure);
    setMarkerState(fo);
    markSurface(fo);
    fo.setLampColour(int(kGreen));
    fo.state.receiveMode = ModeCapture;

    handlerNamed(handler)(fo);

    QVERIFY(w.comm.writes.isEmpty());
    QCOMPARE(w.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(w.dialogs.shown.first().icon, MsgIcon::Critical);
    QCOMPARE(fo.formTexts(), formText.isEmpty() ? QStringList() : QStringList{formText});
    QCOMPARE(fo.Portok->currentIndex(), positionAfter);
    // What ran before the trap stays done; nothing after the failing step ran.
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(!layerEmpty(fo.Rajz->picture()));
    QVERIFY(!w.comm.portOpen());
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

    WindowFixture w;
    Fo& fo = w.fo;
    if (running) {
        fo.scope().Be_Click();
    } else {
        fo.scope().Be_Click();
        fo.scope().Ki_Click();
        // Stop takes the number the port holds, not the choice in the list.
        w.choosePort(4);
    }
    w.comm.log.clear();
    fo.state.markerStart = 10;
    fo.state.markerEnd = 20;
    for (int i = 2; i <= 4; ++i)
        fo.core().setReadout(static_cast<Readout>(i), QStringLiteral("7."));
    markSurface(fo);

    fo.scope().Ki_Click();

    QCOMPARE(w.comm.log, log);
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(fo.state.portNumber, quint8(1));
    QCOMPARE(fo.lampColour(), int(kRed));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    // Stop leaves the readouts and the picture as they are.
    for (int i = 2; i <= 4; ++i)
        QCOMPARE(fo.MX(i)->text(), QStringLiteral("7."));
    QVERIFY(!layerEmpty(fo.Rajz->picture()));
}

void TestScopeControl::stopFailingKeepsTheLampAndModeItSet()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.setLampColour(int(kGreen));
    fo.state.receiveMode = ModeTiming;
    fo.state.markerStart = 10;
    w.comm.openFailures.insert(1, CommErrorNumber::PortInUse);

    fo.scope().Ki_Click();

    QVERIFY(w.comm.writes.isEmpty());
    QCOMPARE(w.dialogs.texts(), QStringList{fo.messages.msgPortUsed});
    QCOMPARE(fo.Portok->currentIndex(), -1);
    QCOMPARE(fo.lampColour(), int(kRed));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.state.markerStart, -1.0f);
}

void TestScopeControl::stopClickedDuringStartsWaitRunsNestedAndStartGoesOn()
{
    WindowFixture w;
    Fo& fo = w.fo;
    w.comm.onWrite = [&](const QByteArray& bytes) {
        // The user presses Stop while Start waits for the timing reply.
        if (bytes == kTimingQueryLine)
            QMetaObject::invokeMethod(
                fo.Ki, [&] { fo.Ki->click(); }, Qt::QueuedConnection);
    };

    fo.scope().Be_Click();

    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), writeOf(kStopLine),
                                      kClose, kOpenPort1, writeOf(kScopeStartLine)}));
    QVERIFY(w.comm.portOpen());
    QVERIFY(profileIs(w.comm, kCaptureProfile));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.lampColour(), int(kGreen));
}

void TestScopeControl::triggerOnPlotsDuringItsSecondWaitThenClears()
{
    WindowFixture w;
    Fo& fo = w.fo;
    constexpr quint8 kLevel = 200;
    PassCounter secondWait;
    quint8 modeAtScopeStart = 0xFF;
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            w.comm.receive(kTimingReplyDigit4);
        } else if (bytes == kScopeStartLine) {
            modeAtScopeStart = fo.state.receiveMode;
            w.comm.receive(QByteArray(kBlockSize, char(kLevel)));
            secondWait.start([&] { return w.comm.writes.last() != kScopeStartLine; });
        }
    };

    fo.scope().Triger_be_Click();
    WindowFixture::settle();

    // The block was captured inside the wait: the dispatcher closed and reopened the port.
    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                                      writeOf(kScopeStartLine), kClose, kOpenPort1,
                                      writeOf(ChipCommand::kTriggerOn + '\r')}));
    QCOMPARE(modeAtScopeStart, quint8(ModeCapture));
    QCOMPARE(secondWait.count(), Wait::kTiming);
    QCOMPARE(fo.state.sampleBlock.entry[kBlockSize].value_or(0), kLevel);
    QCOMPARE(fo.state.timeGrid, 1.909);
    // ... and the trace it drew is gone again.
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(w.comm.portOpen());
    QVERIFY(profileIs(w.comm, kCaptureProfile));
}

void TestScopeControl::triggerOnAfterStopInItsSecondWaitSendsThroughABriefOpening()
{
    WindowFixture w;
    Fo& fo = w.fo;
    markSurface(fo);
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kScopeStartLine)
            QMetaObject::invokeMethod(
                fo.Ki, [&] { fo.Ki->click(); }, Qt::QueuedConnection);
    };

    fo.scope().Triger_be_Click();

    QCOMPARE(w.comm.log,
             (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                          writeOf(kScopeStartLine), writeOf(kStopLine), kClose, kOpenPort1,
                          writeOf(ChipCommand::kTriggerOn + '\r'), kClose}));
    QVERIFY(!w.comm.portOpen());
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
}

void TestScopeControl::triggerOffDropsBytesOneAtATimeAndKeepsTheTrace()
{
    WindowFixture w;
    Fo& fo = w.fo;
    markSurface(fo);
    fo.setLampColour(int(kGreen));
    PassCounter secondWait;
    quint8 modeAtTrigger = 0xFF;
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine) {
            w.comm.receive(kTimingReplyDigit4);
        } else if (bytes == kScopeStartLine) {
            w.comm.receive(QByteArray(kBlockSize, 'P'));
            secondWait.start([&] { return w.comm.writes.last() != kScopeStartLine; });
        } else {
            modeAtTrigger = fo.state.receiveMode;
        }
    };

    fo.scope().Triger_ki_Click();
    WindowFixture::settle();

    QCOMPARE(w.comm.log,
             (QStringList{kOpenPort1, writeOf(kTimingQueryLine), kClose, kOpenPort1,
                          writeOf(kScopeStartLine), writeOf(ChipCommand::kTriggerOff + '\r')}));
    QCOMPARE(secondWait.count(), Wait::kTiming);
    QCOMPARE(modeAtTrigger, quint8(ModeTiming));
    // The timing branch took one byte per receive event until fewer than the threshold waited;
    // none of them was a timing value and none was plotted.
    QCOMPARE(w.comm.inBufferCount(), kCaptureProfile.threshold - 1);
    QVERIFY(!fo.state.sampleBlock.entry[1].has_value());
    QCOMPARE(fo.state.timeGrid, 1.909);
    QCOMPARE(fo.Gr(2)->text(), QStringLiteral("1.91"));
    QVERIFY(!layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.lampColour(), int(kRed));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(w.comm.portOpen());
    QVERIFY(profileIs(w.comm, kCaptureProfile));
}

QTEST_MAIN(TestScopeControl)
#include "tst_scopecontrol.moc"
