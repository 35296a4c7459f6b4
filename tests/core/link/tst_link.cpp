// SPDX-License-Identifier: GPL-3.0-or-later
// The command sequences on the fake port: what goes on the line, byte for byte, and in which
// order the port is closed, configured and opened; the counted waits; the shared port-error
// report; and what the shutdown sends.

#include "support/CommErrorOf.h"
#include "support/CoreFixture.h"

#include "core/Dialogs.h"
#include "core/SettingsStore.h"
#include "core/shell/Shell.h"
#include "core/link/Link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {
using Steps = std::function<void(Link&)>;

// A fake port that also notes the receive settings in force at every open and close, so the
// order of reopenPort's steps shows in the log.
class SettingsRecordingComm : public FakeComm
{
protected:
    void openDevice() override
    {
        log << settingsNow(QStringLiteral("opening"));
        FakeComm::openDevice();
    }
    void closeDevice() override
    {
        log << settingsNow(QStringLiteral("closing"));
        FakeComm::closeDevice();
    }

private:
    QString settingsNow(const QString& what) const
    {
        return QStringLiteral("%1 port %2 threshold %3 length %4 nulls %5")
            .arg(what)
            .arg(commPort())
            .arg(rThreshold())
            .arg(inputLen())
            .arg(nullDiscard() ? "on" : "off");
    }
};
} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void sequences_data();
    void sequences();
    void reopenPortClosesBeforeItConfigures();
    void sendKeepingStateKeepsTheLastNumberAndSettings();

    void pumpRunsReceiveEventsAndNestedHandlersToTheirEnd();
    void pumpTakesRoughlyCountTimesTheSlice_data();
    void pumpTakesRoughlyCountTimesTheSlice();

    void reportPortError_data();
    void reportPortError();

    void shutdownSendsStopAndCloses_data();
    void shutdownSendsStopAndCloses();
    void shutdownStoresThePortPosition_data();
    void shutdownStoresThePortPosition();
};

void TestLink::sequences_data()
{
    QTest::addColumn<bool>("startOpen"); // opened beforehand on port 1 with the console profile
    QTest::addColumn<int>("portNumber"); // state.portNumber during the steps
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("expectedLog");
    QTest::addColumn<bool>("endsOpen");

    const auto reopenTiming = [](Link& l) { l.reopenPort(kTimingProfile); };
    QTest::newRow("reopenPort on a closed port opens on the window's port number")
        << false << 3 << Steps(reopenTiming) << QStringList{"open 3"} << true;
    QTest::newRow("reopenPort on an open port closes it first")
        << true << 5 << Steps(reopenTiming) << QStringList{"close", "open 5"} << true;
    QTest::newRow("sendCommand writes the text and one carriage return in one write")
        << true << 1 << Steps([](Link& l) { l.sendCommand("J1100"); })
        << QStringList{"write J1100\r"} << true;
    QTest::newRow("an empty command is a lone carriage return")
        << true << 1 << Steps([](Link& l) { l.sendCommand(""); }) << QStringList{"write \r"}
        << true;
    QTest::newRow("sendKeepingState on an open port only writes")
        << true << 1 << Steps([](Link& l) { l.sendKeepingState("J1001"); })
        << QStringList{"write J1001\r"} << true;
    QTest::newRow("sendKeepingState on a closed port opens, writes and closes again")
        << false << 1 << Steps([](Link& l) { l.sendKeepingState("u"); })
        << QStringList{"open 1", "write u\r", "close"} << false;
    QTest::newRow("sendAndClose on an open port writes and closes")
        << true << 1 << Steps([](Link& l) { l.sendAndClose("q"); })
        << QStringList{"write q\r", "close"} << false;
    QTest::newRow("sendAndClose on a closed port opens, writes and closes")
        << false << 1 << Steps([](Link& l) { l.sendAndClose("q"); })
        << QStringList{"open 1", "write q\r", "close"} << false;
    QTest::newRow("the timing query and the scope start, as Start sends them")
        << false << 2 << Steps([](Link& l) {
               l.reopenPort(kTimingProfile);
               l.sendCommand("J1100");
               l.reopenPort(kCaptureProfile);
               l.sendCommand("J1000");
           })
        << QStringList{"open 2", "write J1100\r", "close", "open 2", "write J1000\r"} << true;
}

void TestLink::sequences()
{
    QFETCH(bool, startOpen);
    QFETCH(int, portNumber);
    QFETCH(Steps, steps);
    QFETCH(QStringList, expectedLog);
    QFETCH(bool, endsOpen);

    CoreFixture f;
    if (startOpen) {
        openPortOn(f.core, 1, kConsoleProfile);
    }
    f.comm.log.clear();
    f.comm.writes.clear();
    holdPortNumber(f.core, portNumber);

    steps(linkOf(f.core));

    QCOMPARE(f.comm.log, expectedLog);
    QCOMPARE(f.comm.portOpen(), endsOpen);
    // Every command is a single write, so the chip never sees half a command from us.
    for (const QByteArray& w : f.comm.writes)
        QCOMPARE(w.count('\r'), 1);
}

void TestLink::reopenPortClosesBeforeItConfigures()
{
    SettingsRecordingComm comm;
    ScriptedDialogs dialogs;
    MemorySettings settings;
    RecordedImages images;
    Core core(comm, dialogs, settings, images);
    core.startUp(); // start-up sets the port up but leaves it closed
    holdPortNumber(core, 4);
    linkOf(core).reopenPort(kConsoleProfile);
    holdPortNumber(core, 9);
    linkOf(core).reopenPort(kCaptureProfile);
    linkOf(core).reopenPort(kTimingProfile);

    const QStringList expected{
        "opening port 4 threshold 1 length 1 nulls on", "open 4",
        // The old session closes with its own settings; the new ones are set before the open.
        "closing port 4 threshold 1 length 1 nulls on", "close",
        "opening port 9 threshold 299 length 1 nulls off", "open 9",
        "closing port 9 threshold 299 length 1 nulls off", "close",
        "opening port 9 threshold 7 length 7 nulls on", "open 9"};
    QCOMPARE(comm.log, expected);
}

void TestLink::sendKeepingStateKeepsTheLastNumberAndSettings()
{
    CoreFixture f;
    openPortOn(f.core, 4, kTimingProfile);
    linkOf(f.core).closeIfOpen();
    holdPortNumber(f.core, 9); // changed by a handler, but only reopenPort reads it
    f.comm.log.clear();

    linkOf(f.core).sendKeepingState("J1002");
    linkOf(f.core).sendAndClose("q");

    QCOMPARE(f.comm.log,
             (QStringList{"open 4", "write J1002\r", "close", "open 4", "write q\r", "close"}));
    QCOMPARE(f.comm.commPort(), 4);
    QCOMPARE(f.comm.rThreshold(), kTimingProfile.threshold);
    QCOMPARE(f.comm.inputLen(), kTimingProfile.readLength);
    QCOMPARE(f.comm.nullDiscard(), kTimingProfile.discardNulls);
    // A closed port refuses a bare command.
    QCOMPARE(errorOf([&] { linkOf(f.core).sendCommand("q"); }), CommErrorNumber::PortClosed);
}

void TestLink::pumpRunsReceiveEventsAndNestedHandlersToTheirEnd()
{
    CoreFixture f;
    listenOn(f.core, 1, kConsoleProfile, Core::LineMode::Console);
    QStringList order;

    // A user action arriving during the wait: it feeds a reply and waits itself; inside its own
    // wait the reply is taken in and another queued action runs, all before it ends.
    QMetaObject::invokeMethod(
        &f.core,
        [&] {
            order << "outer handler starts";
            QMetaObject::invokeMethod(
                &f.core, [&] { order << "queued action runs"; }, Qt::QueuedConnection);
            f.comm.receive("ok");
            linkOf(f.core).pumpEvents(10);
            order << "outer handler ends with console " + f.core.consoleText().text();
        },
        Qt::QueuedConnection);

    linkOf(f.core).pumpEvents(3);

    QCOMPARE(order, (QStringList{"outer handler starts", "queued action runs",
                                 "outer handler ends with console ok"}));
}

void TestLink::pumpTakesRoughlyCountTimesTheSlice_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("the 401 passes after the PID timing query") << Wait::kPidReply;
    QTest::newRow("the 601 passes after the scope's timing query") << Wait::kTiming;
}

void TestLink::pumpTakesRoughlyCountTimesTheSlice()
{
    QFETCH(int, count);
    CoreFixture f;
    linkOf(f.core).setPumpSlice(Link::kDefaultPumpSlice);
    QElapsedTimer clock;
    clock.start();
    linkOf(f.core).pumpEvents(count);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double slice = std::chrono::duration<double>(Link::kDefaultPumpSlice).count();
    // Without the slice, 601 idle passes take well under a millisecond: far less time than a
    // chip behind a USB adapter needs to answer. Every pass must last at least one slice.
    QVERIFY2(seconds >= count * slice * 0.95, qPrintable(QString::number(seconds) + " s"));
    QVERIFY2(seconds < 5, qPrintable(QString::number(seconds) + " s"));
}

void TestLink::reportPortError_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("box");
    QTest::addColumn<QString>("formText"); // the line written on the window, if any

    QTest::newRow("8002 shows the invalid-port box and clears the choice")
        << CommErrorNumber::InvalidPort << true << QString();
    QTest::newRow("8005 shows the port-used box and clears the choice")
        << CommErrorNumber::PortInUse << true << QString();
    QTest::newRow("8018 is written on the window and keeps the choice")
        << CommErrorNumber::PortClosed << false << QStringLiteral(" 8018 ");
    QTest::newRow("8015 is written on the window and keeps the choice")
        << CommErrorNumber::BadSettings << false << QStringLiteral(" 8015 ");
    QTest::newRow("8020 is written on the window and keeps the choice")
        << CommErrorNumber::DeviceFailed << false << QStringLiteral(" 8020 ");
}

void TestLink::reportPortError()
{
    QFETCH(int, number);
    QFETCH(bool, box);
    QFETCH(QString, formText);

    CoreFixture f;
    f.choosePort(7);
    const QStringList textsBefore = f.shown.formTexts;
    QSignalSpy choiceCleared(&f.core, &Core::portChoiceCleared);
    QSignalSpy reported(&f.core, &Core::portErrorReported);
    linkOf(f.core).reportPortError(number);
    // Every report names its number once, whichever way it is then shown.
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.at(0).at(0).toInt(), number);

    if (box) {
        QCOMPARE(f.dialogs.shown.size(), 1);
        const QString& expected = number == CommErrorNumber::InvalidPort
                                      ? messagesOf(f.core).msgInvalidPort
                                      : messagesOf(f.core).msgPortUsed;
        QVERIFY(!expected.isEmpty());
        QCOMPARE(f.dialogs.shown[0].text, expected);
        QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(f.dialogs.shown[0].buttons, MsgButtons::Ok);
        QCOMPARE(f.core.portPosition(), -1);
        QCOMPARE(choiceCleared.count(), 1);
        QCOMPARE(f.shown.formTexts, textsBefore);
    } else {
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.shown.formTexts, textsBefore + QStringList{formText});
        QCOMPARE(f.core.portPosition(), 7);
        QCOMPARE(choiceCleared.count(), 0);
    }
}

void TestLink::shutdownSendsStopAndCloses_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("writeFailure");
    QTest::addColumn<QStringList>("expectedLog");

    QTest::newRow("an open port is sent the stop command and closed")
        << true << 0 << QStringList{"write q\r", "close"};
    QTest::newRow("a closed port is sent nothing") << false << 0 << QStringList{};
    QTest::newRow("a failing stop command still closes the port")
        << true << CommErrorNumber::DeviceFailed << QStringList{"close"};
}

void TestLink::shutdownSendsStopAndCloses()
{
    QFETCH(bool, open);
    QFETCH(int, writeFailure);
    QFETCH(QStringList, expectedLog);

    CoreFixture f;
    holdPortNumber(f.core, 1);
    if (open)
        linkOf(f.core).reopenPort(kCaptureProfile);
    f.comm.log.clear();
    f.comm.writeFailure = writeFailure;

    f.core.shutDown();

    QCOMPARE(f.comm.log, expectedLog);
    QVERIFY(!f.comm.portOpen());
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestLink::shutdownStoresThePortPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("stored");
    QTest::newRow("the first port is stored as a blank and 0") << 0 << " 0";
    QTest::newRow("a port in the middle keeps its sign blank") << 32 << " 32";
    QTest::newRow("the last port is stored as 254") << 254 << " 254";
    QTest::newRow("no port chosen is stored as -1") << -1 << "-1";
}

void TestLink::shutdownStoresThePortPosition()
{
    QFETCH(int, position);
    QFETCH(QString, stored);

    CoreFixture f;
    f.choosePort(position);
    f.core.shutDown();
    QCOMPARE(f.settings.getSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                                   SettingsKeys::kPortKey, QStringLiteral("absent")),
             stored);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
