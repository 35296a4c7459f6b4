// SPDX-License-Identifier: GPL-3.0-or-later
// The real port's quick reopen: the scope closes and reopens the port around every block, and
// the device is kept open across such a pair, so these tests pin what must still hold.

#include "PtyPeers.h"

#include "core/link/Link.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/scope/ScopeControl.h"
#include "core/shell/Shell.h"
#include "support/CoreFixture.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A number with no default device, so only the test's mapping reaches anything.
constexpr int kSimPort = 250;
} // namespace

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
    //
    // The chip is reached through a link in a folder of the test's own, which the simulator
    // removes as it ends: a pseudo-terminal's number is handed out again as soon as it is free,
    // so the port must not be mapped to the number itself. Declared in this order, the core goes
    // before the port it uses, and the port before the chip at its other end.
    QTemporaryDir linkFolder;
    QVERIFY(linkFolder.isValid());
    const QString chipLink = linkFolder.filePath(QStringLiteral("kdsp"));
    SimulatedChip chip;
    QVERIFY2(startChip(chip, {"--unpaced", "--link", chipLink}), qPrintable(chip.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, chipLink);
    SerialComm comm(ports);
    MemorySettings settings;
    ScriptedDialogs dialogs;
    RecordedImages images;
    // The counted waits keep their time slice (the default): without it a wait ends before a
    // real line can carry the chip's answer.
    Core core(comm, dialogs, settings, images);
    ShownRecord shown(core);
    core.startUp();
    core.setPortPosition(kSimPort - 1);

    int blocks = 0;
    QObject::connect(&comm, &Comm::onComm, &core, [&] { ++blocks; });
    core.startScope();
    QTRY_VERIFY_WITH_TIMEOUT(blocks >= 200, 10000);
    QVERIFY(comm.portOpen());
    // Nothing was reported: no message box, no number for the window to write.
    QCOMPARE(dialogs.texts() + shown.formTexts, QStringList{});
}

QTEST_GUILESS_MAIN(SerialReopenTest)
#include "tst_serialreopen.moc"
