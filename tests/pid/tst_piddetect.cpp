// PID frequency detect on the fake port: the stop phase, the timing phase, the two waits, the
// readouts the reply gives, and where a port failure leaves things.

#include "core/link/ChipCommands.h"
#include "core/link/Link.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "scope/PassCounter.h"
#include "scope/ScopeChecks.h"
#include "window/ScopeSurface.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

using namespace ScopeChecks;

namespace {

// The window as a running scope leaves it, with two markers placed.
void runningScopeWithMarkers(Fo& fo)
{
    fo.state.receiveMode = ModeCapture;
    fo.setLampColour(int(kGreen));
    fo.Rajz->line(QPointF(10, 10), QPointF(200, 10), qRgb(255, 0, 0));
    fo.state.markerStart = 10;
    fo.state.markerEnd = 20;
    for (int i = 2; i <= 4; ++i)
        fo.core().setReadout(static_cast<Readout>(i), QStringLiteral("1."));
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
    WindowFixture w;
    Fo& fo = w.fo;
    runningScopeWithMarkers(fo);
    PassCounter stopWait;
    PassCounter replyWait;
    bool consoleProfileAtStop = false;
    quint8 modeAtStop = 0xFF;
    bool timingProfileAtQuery = false;
    quint8 modeAtQuery = 0xFF;
    int lampAtQuery = 0;
    bool clearedInReplyWait = false;
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kStopLine) {
            consoleProfileAtStop = profileIs(w.comm, kConsoleProfile);
            modeAtStop = fo.state.receiveMode;
            stopWait.start([&] { return w.comm.writes.last() == kTimingQueryLine; });
        } else if (bytes == kTimingQueryLine) {
            timingProfileAtQuery = profileIs(w.comm, kTimingProfile);
            modeAtQuery = fo.state.receiveMode;
            lampAtQuery = fo.lampColour();
            w.comm.receive(kTimingReplyDigit4);
            replyWait.start([&] { return !w.comm.portOpen(); });
            // Runs in the first pass of the wait: the surface is cleared before the wait.
            QMetaObject::invokeMethod(
                fo.Rajz, [&] { clearedInReplyWait = layerEmpty(fo.Rajz->picture()); },
                Qt::QueuedConnection);
        }
    };

    fo.pidDetect().PID_Click();
    WindowFixture::settle();

    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, writeOf(kStopLine), kClose, kOpenPort1,
                                      writeOf(kTimingQueryLine), kClose}));
    QVERIFY(consoleProfileAtStop);
    QCOMPARE(modeAtStop, quint8(ModeCapture));
    QCOMPARE(stopWait.count(), Wait::kStopThenListing);
    QVERIFY(timingProfileAtQuery);
    QCOMPARE(modeAtQuery, quint8(ModeTiming));
    QCOMPARE(lampAtQuery, int(kRed));
    QVERIFY(clearedInReplyWait);
    QCOMPARE(replyWait.count(), Wait::kPidReply);

    QCOMPARE(fo.state.timeGrid, 1.909);
    QCOMPARE(fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(fo.MX(5)->text(), QStringLiteral("2619.17"));
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(fo.state.receiveMode, quint8(ModeTiming));
    QCOMPARE(fo.lampColour(), int(kRed));
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
}

void TestPidDetect::streamBytesOfTheFirstWaitAreHandledInTheEarlierMode()
{
    WindowFixture w;
    Fo& fo = w.fo;
    runningScopeWithMarkers(fo);
    constexpr quint8 kLevel = 90; // drawn at y 511 - 180
    w.comm.onWrite = [&](const QByteArray& bytes) {
        // The chip finishes the block it was sending when "q" came.
        if (bytes == kStopLine)
            w.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    };

    fo.pidDetect().PID_Click();

    // The capture branch took the block and cycled the port; PID detect went on after it.
    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, writeOf(kStopLine), kClose, kOpenPort1, kClose,
                                      kOpenPort1, writeOf(kTimingQueryLine), kClose}));
    QCOMPARE(fo.state.sampleBlock.entry[kBlockSize].value_or(0), kLevel);
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.lampColour(), int(kRed));

    // The block is still held: a right click draws it again.
    fo.markers().Rajz_MouseDown(ScopeSurface::kRightButton, 0, 100, 100);
    QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(300, 331), oleColour(qint64(kYellow)).rgb());
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

    WindowFixture w;
    Fo& fo = w.fo;
    runningScopeWithMarkers(fo);
    fo.state.timeGrid = 2.8635;
    fo.core().setReadout(Readout::TimeGrid, QStringLiteral("2.86"));
    fo.core().setReadout(Readout::PidFrequency, QStringLiteral("1746.11"));
    w.choosePort(position);
    if (openFailure != 0 && !inTimingPhase)
        w.comm.openFailures.insert(1, openFailure);
    w.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kStopLine && inTimingPhase)
            w.comm.openFailures.insert(1, openFailure);
        if (bytes == kTimingQueryLine)
            w.comm.receive("J11001\r"); // a reply, should a query get through
    };

    fo.pidDetect().PID_Click();
    WindowFixture::settle();

    QCOMPARE(w.comm.writes, inTimingPhase ? QList<QByteArray>{kStopLine} : QList<QByteArray>{});
    QCOMPARE(w.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(fo.formTexts(), formText.isEmpty() ? QStringList() : QStringList{formText});
    QCOMPARE(fo.Portok->currentIndex(), positionAfter);
    QVERIFY(!w.comm.portOpen());
    // Cleared before the trap, whatever failed.
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
    // The lamp turns red only between the phases; the mode and surface belong to the second.
    QCOMPARE(fo.lampColour(), inTimingPhase ? int(kRed) : int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(!layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.timeGrid, 2.8635);
    QCOMPARE(fo.Gr(2)->text(), QStringLiteral("2.86"));
    QCOMPARE(fo.MX(5)->text(), QStringLiteral("1746.11"));
}

QTEST_MAIN(TestPidDetect)
#include "tst_piddetect.moc"
