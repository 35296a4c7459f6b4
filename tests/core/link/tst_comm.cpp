// SPDX-License-Identifier: GPL-3.0-or-later
// The receive logic every port shares, on the fake port: when the receive event is raised, how
// much one read takes, null discarding, emptying the buffer, and the errors of a closed port.

#include "StderrCapture.h"
#include "support/FakeComm.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

namespace {
// Enough passes that a receive event raised over and over would show up as many events.
constexpr int kSettlePasses = 50;

void settle(int passes = kSettlePasses)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents();
}

// A receive handler that reads a fixed number of times per event and records what it got.
struct ReadingHandler
{
    ReadingHandler(Comm& comm, int readsPerEvent) : comm_(comm), readsPerEvent_(readsPerEvent)
    {
        QObject::connect(&comm, &Comm::onComm, &comm, [this] { onEvent(); });
    }
    void onEvent()
    {
        ++events;
        codes << comm_.commEvent();
        if (comm_.commEvent() != Comm::kEvReceive)
            return;
        for (int i = 0; i < readsPerEvent_; ++i)
            reads << comm_.input();
    }

    int events = 0;
    QList<int> codes;
    QList<QByteArray> reads;

private:
    Comm& comm_;
    int readsPerEvent_;
};

void openWith(FakeComm& comm, int threshold, int readLength, bool discardNulls = false)
{
    comm.setCommPort(1);
    comm.setRThreshold(threshold);
    comm.setInputLen(readLength);
    comm.setNullDiscard(discardNulls);
    comm.setPortOpen(true);
}
} // namespace

class TestComm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void receiveEvent_data();
    void receiveEvent();
    void nullDiscarding_data();
    void nullDiscarding();
    void emptyingTheBuffer_data();
    void emptyingTheBuffer();
    void closedPortRefusesInputAndOutput_data();
    void closedPortRefusesInputAndOutput();
    void lineEventsReachTheHandlerOnlyWhileOpen();
    void deviceFailureClosesAndReportsOnce();
};

void TestComm::receiveEvent_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("readLength");
    QTest::addColumn<int>("readsPerEvent");
    QTest::addColumn<QList<QByteArray>>("chunks"); // each arrives after the last has settled
    QTest::addColumn<QList<QByteArray>>("expectedReads");
    QTest::addColumn<int>("expectedEvents");

    using L = QList<QByteArray>;
    QTest::newRow("nothing is raised while fewer bytes than the threshold wait")
        << 3 << 1 << 1 << L{"ab"} << L{} << 0;
    QTest::newRow("the event comes when a later chunk reaches the threshold")
        << 4 << 0 << 1 << L{"ab", "cd"} << L{"abcd"} << 1;
    QTest::newRow("one byte taken per event is raised again while the threshold still holds")
        << 2 << 1 << 1 << L{"abcd"} << L{"a", "b", "c"} << 3;
    QTest::newRow("threshold 1 raises one event per character")
        << 1 << 1 << 1 << L{"xyz"} << L{"x", "y", "z"} << 3;
    QTest::newRow("the read length caps what one read returns")
        << 7 << 7 << 1 << L{"J11004\rextra"} << L{"J11004\r"} << 1;
    QTest::newRow("a read of an emptied buffer returns nothing")
        << 2 << 2 << 2 << L{"ab"} << L{"ab", ""} << 1;
    QTest::newRow("read length 0 takes everything waiting")
        << 1 << 0 << 1 << L{"hello"} << L{"hello"} << 1;
    QTest::newRow("threshold 0 raises nothing") << 0 << 1 << 1 << L{"abc"} << L{} << 0;
    QTest::newRow("a handler that reads nothing is called again only when new bytes arrive")
        << 1 << 1 << 0 << L{"ab", "c"} << L{} << 2;
}

void TestComm::receiveEvent()
{
    QFETCH(int, threshold);
    QFETCH(int, readLength);
    QFETCH(int, readsPerEvent);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, expectedReads);
    QFETCH(int, expectedEvents);

    FakeComm comm;
    ReadingHandler handler(comm, readsPerEvent);
    openWith(comm, threshold, readLength);
    for (const QByteArray& chunk : chunks) {
        const int before = handler.events;
        comm.receive(chunk);
        // Never from inside the arrival itself: the handler may close and reopen the port.
        QCOMPARE(handler.events, before);
        settle();
    }
    QCOMPARE(handler.reads, expectedReads);
    QCOMPARE(handler.events, expectedEvents);
}

void TestComm::nullDiscarding_data()
{
    QTest::addColumn<bool>("discard");
    QTest::addColumn<QByteArray>("arriving");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<int>("events");

    QTest::newRow("zero bytes are dropped when discarding is on")
        << true << QByteArray("a\0b\0", 4) << QByteArray("ab") << 1;
    QTest::newRow("zero bytes are kept when discarding is off (scope samples of 0)")
        << false << QByteArray("a\0b\0", 4) << QByteArray("a\0b\0", 4) << 1;
    QTest::newRow("a chunk of zeros alone raises nothing when discarding is on")
        << true << QByteArray(3, '\0') << QByteArray() << 0;
}

void TestComm::nullDiscarding()
{
    QFETCH(bool, discard);
    QFETCH(QByteArray, arriving);
    QFETCH(QByteArray, kept);
    QFETCH(int, events);

    FakeComm comm;
    QSignalSpy raised(&comm, &Comm::onComm);
    // Threshold 1 with a handler that reads nothing: one event per arrival, the bytes stay.
    openWith(comm, 1, 0, discard);
    comm.receive(arriving);
    settle();
    QCOMPARE(raised.count(), events);
    QCOMPARE(comm.inBufferCount(), kept.size());
    QCOMPARE(comm.input(), kept);
}

void TestComm::emptyingTheBuffer_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a reopen starts with an empty buffer") << "reopen";
    QTest::newRow("a close and reopen before the pending event runs raise nothing")
        << "reopen before the event";
    QTest::newRow("writing 0 to the count empties the open port's buffer") << "count 0 open";
    QTest::newRow("writing 0 to the count is allowed on a closed port") << "count 0 closed";
}

void TestComm::emptyingTheBuffer()
{
    QFETCH(QString, how);

    FakeComm comm;
    QSignalSpy raised(&comm, &Comm::onComm);
    openWith(comm, 1, 1);
    comm.receive("abc");
    if (how == "reopen") {
        settle(); // one event, nothing read
        raised.clear();
        comm.setPortOpen(false);
        comm.setPortOpen(true);
    } else if (how == "reopen before the event") {
        comm.setPortOpen(false);
        comm.setPortOpen(true);
    } else if (how == "count 0 open") {
        comm.setInBufferCount(0);
    } else {
        comm.setPortOpen(false);
        comm.setInBufferCount(0);
    }
    QCOMPARE(comm.inBufferCount(), 0);
    settle();
    QCOMPARE(raised.count(), 0);
    if (!comm.portOpen())
        comm.setPortOpen(true);
    QCOMPARE(comm.input(), QByteArray());
    // The port still works afterwards.
    comm.receive("d");
    settle();
    QCOMPARE(raised.count(), 1);
    QCOMPARE(comm.input(), QByteArray("d"));
}

void TestComm::closedPortRefusesInputAndOutput_data()
{
    QTest::addColumn<bool>("output");
    QTest::newRow("output on a closed port raises 8018") << true;
    QTest::newRow("input on a closed port raises 8018") << false;
}

void TestComm::closedPortRefusesInputAndOutput()
{
    QFETCH(bool, output);

    FakeComm comm;
    openWith(comm, 1, 1);
    comm.setPortOpen(false);
    int number = 0;
    try {
        if (output)
            comm.output("q\r");
        else
            comm.input();
    } catch (const CommError& e) {
        number = e.number();
    }
    QCOMPARE(number, CommErrorNumber::PortClosed);
    QVERIFY(comm.writes.isEmpty());
    // Bytes that come while the port is closed are not kept either.
    comm.receive("late");
    QCOMPARE(comm.inBufferCount(), 0);
}

void TestComm::lineEventsReachTheHandlerOnlyWhileOpen()
{
    FakeComm comm;
    ReadingHandler handler(comm, 0);
    openWith(comm, 0, 1);
    comm.raiseLineEvent(Comm::kEventBreak);
    QCOMPARE(handler.events, 0); // queued, like the receive event
    settle();
    QCOMPARE(handler.codes, QList<int>{Comm::kEventBreak});

    // One raised just before a close is dropped with the session it belonged to.
    comm.raiseLineEvent(Comm::kEvCts);
    comm.setPortOpen(false);
    comm.setPortOpen(true);
    settle();
    comm.setPortOpen(false);
    comm.raiseLineEvent(Comm::kEvCts);
    settle();
    QCOMPARE(handler.codes, QList<int>{Comm::kEventBreak});
}

void TestComm::deviceFailureClosesAndReportsOnce()
{
    FakeComm comm;
    QSignalSpy lost(&comm, &Comm::deviceLost);
    QSignalSpy raised(&comm, &Comm::onComm);
    openWith(comm, 1, 1);
    comm.setCommPort(33);
    comm.receive("abc");
    StderrCapture errors;
    comm.failDevice(CommErrorNumber::DeviceFailed);
    comm.failDevice(CommErrorNumber::DeviceFailed); // the same session: not reported again
    settle();

    QVERIFY(!comm.portOpen());
    QCOMPARE(comm.log.last(), QStringLiteral("close"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toInt(), CommErrorNumber::DeviceFailed);
    QCOMPARE(raised.count(), 0); // the bytes of the lost session are not delivered
    QCOMPARE(errors.lines(), QStringList{"trevalon: Comm 33 (/dev/fake): gone"});
}

QTEST_GUILESS_MAIN(TestComm)
#include "tst_comm.moc"
