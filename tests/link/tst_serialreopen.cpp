// The real port's quick reopen: the scope closes and reopens the port around every block, and
// the device is kept open across such a pair, so these tests pin what must still hold.

#include "core/link/PortMap.h"
#include "link/PtyPeers.h"
#include "core/link/SerialComm.h"
#include "core/scope/ScopeControl.h"
#include "support/SimulatedWindow.h"

#include <QSerialPort>
#include <QTest>

class SerialReopenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closedPortIsFreeOnceTheEventLoopTurns();
    void bytesFromWhileClosedAreDroppedOnTheQuickReopen();
    void captureCycleKeepsUpWithAChipThatNeverPauses();
};

void SerialReopenTest::closedPortIsFreeOnceTheEventLoopTurns()
{
    OwnPty line;
    PortMap ports;
    ports.setRunOverride(7, line.slavePath());
    SerialComm comm(ports);
    comm.setCommPort(7);
    comm.setPortOpen(true);
    comm.setPortOpen(false);
    QCoreApplication::processEvents();
    // Another program may take the port now.
    QSerialPort other(line.slavePath());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
    other.close();
}

void SerialReopenTest::bytesFromWhileClosedAreDroppedOnTheQuickReopen()
{
    OwnPty line;
    PortMap ports;
    ports.setRunOverride(7, line.slavePath());
    SerialComm comm(ports);
    comm.setCommPort(7);
    comm.setRThreshold(1);
    comm.setInputLen(0);
    comm.setPortOpen(true);
    comm.setPortOpen(false);
    QVERIFY(line.send("old"));
    QTest::qSleep(20); // the bytes reach the driver while the port is closed
    comm.setPortOpen(true);
    QVERIFY(line.send("new"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.inBufferCount(), 3, 2000);
    QCOMPARE(comm.input(), QByteArray("new"));
}

void SerialReopenTest::captureCycleKeepsUpWithAChipThatNeverPauses()
{
    // Reading a block, flushing what is left and reopening must not stall: a flush after the
    // line said it was readable once left the port waiting for a read error it took for a
    // vanished device.
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--unpaced"}), qPrintable(w.chip.errorString()));
    int blocks = 0;
    QObject::connect(&w.comm, &Comm::onComm, &w.fo, [&] { ++blocks; });
    w.fo.scope().Be_Click();
    QTRY_VERIFY_WITH_TIMEOUT(blocks >= 200, 10000);
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.reportCount(), 0);
}

QTEST_MAIN(SerialReopenTest)
#include "tst_serialreopen.moc"
