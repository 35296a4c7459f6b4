// SPDX-License-Identifier: GPL-3.0-or-later
// The real port: SerialComm over QSerialPort against the simulated chip (kdsp-sim) on a
// pseudo-terminal, and against paths that are not usable ports.

#include "PtyPeers.h"
#include "support/CommErrorOf.h"
#include "support/IdleFor.h"
#include "StderrCapture.h"

#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {
constexpr int kSimPort = 250;   // no default device: only the test's mapping reaches one
constexpr int kOtherPort = 251; // mapped per test row
constexpr int kReplyTimeoutMs = 3000;
const QByteArray kTimingQuery = "J1100\r";
const QByteArray kScopeStart = "J1000\r";
const QByteArray kStop = "q\r";

void configure(Comm& comm, int port, int threshold, int readLength, bool discardNulls)
{
    comm.setCommPort(port);
    comm.setRThreshold(threshold);
    comm.setInputLen(readLength);
    comm.setNullDiscard(discardNulls);
}

QString failureLine(int port, const QString& device, const QString& reason)
{
    return QStringLiteral("trevalon: Comm %1 (%2): %3").arg(port).arg(device, reason);
}
} // namespace

class TestSerialComm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timingReplyArrivesAsOneRead_data();
    void timingReplyArrivesAsOneRead();
    void captureProfileGivesBlocksReadOneByteAtATime();
    void stopCommandSurvivesAnImmediateClose();

    void unusablePathsAreRefused_data();
    void unusablePathsAreRefused();
    void portHeldByAnotherProgramIsBusy();
    void deviceWithoutAccessIsRefusedBeforeOpening();

    void vanishingDeviceClosesThePortOnceWithoutSpinning();
    void writeToAVanishedDeviceRaises8020AndCloses();
    void bytesFromBeforeTheOpenAreDropped();
};

void TestSerialComm::timingReplyArrivesAsOneRead_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("the default timing digit") << QStringList{} << QByteArray("J11004\r");
    QTest::newRow("another timing digit")
        << QStringList{"--timing-digit", "7"} << QByteArray("J11007\r");
    QTest::newRow("a slow chip still gives one read of seven")
        << QStringList{"--slow-ms", "150"} << QByteArray("J11004\r");
}

void TestSerialComm::timingReplyArrivesAsOneRead()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QByteArray, reply);

    SimulatedChip sim;
    QVERIFY2(startChip(sim, simArguments), qPrintable(sim.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    QList<QByteArray> reads;
    connect(&comm, &Comm::onComm, this, [&] { reads << comm.input(); });

    configure(comm, kSimPort, 7, 7, true);
    comm.setPortOpen(true);
    QCOMPARE(comm.devicePath(), sim.devicePath());
    comm.output(kTimingQuery);
    QVERIFY(QTest::qWaitFor([&] { return !reads.isEmpty(); }, kReplyTimeoutMs));
    idleFor(100); // nothing more follows

    QCOMPARE(reads, QList<QByteArray>{reply});
    comm.setPortOpen(false);
}

void TestSerialComm::captureProfileGivesBlocksReadOneByteAtATime()
{
    SimulatedChip sim;
    QVERIFY2(startChip(sim), qPrintable(sim.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    QList<int> waitingAtEvent;
    int longestRead = 0;
    int bytesRead = 0;
    connect(&comm, &Comm::onComm, this, [&] {
        waitingAtEvent << comm.inBufferCount();
        for (int k = 0; k < 300; ++k) {
            const QByteArray one = comm.input();
            longestRead = std::max(longestRead, int(one.size()));
            bytesRead += one.size();
        }
    });

    configure(comm, kSimPort, 299, 1, false);
    comm.setPortOpen(true);
    comm.output(kScopeStart);
    QVERIFY(QTest::qWaitFor([&] { return waitingAtEvent.size() >= 3; }, kReplyTimeoutMs));
    comm.output(kStop);
    comm.setPortOpen(false);

    for (const int waiting : waitingAtEvent)
        QVERIFY2(waiting >= 299, qPrintable(QString::number(waiting)));
    QCOMPARE(longestRead, 1);
    QVERIFY(bytesRead >= 3 * 299);
}

void TestSerialComm::stopCommandSurvivesAnImmediateClose()
{
    // The scope's Stop writes "q" and closes at once, without yielding: the command must still
    // reach the chip whole, or the chip keeps streaming blocks.
    SimulatedChip sim;
    QVERIFY2(startChip(sim), qPrintable(sim.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    int events = 0;
    connect(&comm, &Comm::onComm, this, [&] {
        ++events;
        comm.setInBufferCount(0);
    });

    configure(comm, kSimPort, 299, 1, false);
    comm.setPortOpen(true);
    comm.output(kScopeStart);
    QVERIFY(QTest::qWaitFor([&] { return events > 0; }, kReplyTimeoutMs));
    comm.output(kStop);
    comm.setPortOpen(false);

    idleFor(100);
    configure(comm, kSimPort, 1, 0, false);
    comm.setPortOpen(true);
    idleFor(400); // a running stream would deliver some 15 blocks in this time
    QCOMPARE(comm.inBufferCount(), 0);
    comm.setPortOpen(false);
}

void TestSerialComm::unusablePathsAreRefused_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("mapped"); // "regular file" is made by the test
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("reason");

    QTest::newRow("port number 0 is no port")
        << 0 << QString() << CommErrorNumber::InvalidPort << "No port chosen";
    QTest::newRow("a number with no default device and no mapping")
        << kOtherPort << QString() << CommErrorNumber::InvalidPort
        << "No device for this port number (map one in the [Ports] settings)";
    QTest::newRow("a mapped path that does not exist")
        << kOtherPort << "/dev/ttyNOSUCHDEVICE" << CommErrorNumber::InvalidPort
        << "No such file or directory";
    QTest::newRow("a regular file is not a device")
        << kOtherPort << "regular file" << CommErrorNumber::InvalidPort << "Not a serial device";
    QTest::newRow("a device that refuses the line settings (not a terminal)")
        << kOtherPort << "/dev/null" << CommErrorNumber::BadSettings
        << "Inappropriate ioctl for device";
}

void TestSerialComm::unusablePathsAreRefused()
{
    QFETCH(int, port);
    QFETCH(QString, mapped);
    QFETCH(int, number);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    if (mapped == "regular file") {
        mapped = dir.filePath("not-a-port");
        QFile file(mapped);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    PortMap ports;
    if (!mapped.isEmpty())
        ports.setRunOverride(port, mapped);
    SerialComm comm(ports);
    configure(comm, port, 1, 1, true);

    StderrCapture errors;
    QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), number);
    QVERIFY(!comm.portOpen());
    const QString expected = mapped.isEmpty()
                                 ? QStringLiteral("trevalon: Comm %1: %2").arg(port).arg(reason)
                                 : failureLine(port, mapped, reason);
    QCOMPARE(errors.lines(), QStringList{expected});
    QCOMPARE(errorOf([&] { comm.output(kStop); }), CommErrorNumber::PortClosed);
}

void TestSerialComm::portHeldByAnotherProgramIsBusy()
{
    SimulatedChip sim;
    QVERIFY2(startChip(sim), qPrintable(sim.errorString()));
    QSerialPort holder;
    holder.setPortName(sim.devicePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    configure(comm, kSimPort, 1, 1, true);

    StderrCapture errors;
    QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), CommErrorNumber::PortInUse);
    QCOMPARE(errors.lines().size(), 1);
    // The holder here is this process's other port, found by its lock file: it is named.
    const QString heldBy = QStringLiteral("(held by process %1 (%2))")
                               .arg(QCoreApplication::applicationPid())
                               .arg(QCoreApplication::applicationName());
    QVERIFY2(errors.lines()[0].startsWith(failureLine(kSimPort, sim.devicePath(), QString())) &&
                 errors.lines()[0].endsWith(heldBy),
             qPrintable(errors.lines()[0]));

    // Once the other program lets go, the port opens.
    holder.close();
    comm.setPortOpen(true);
    QVERIFY(comm.portOpen());
    comm.setPortOpen(false);
}

void TestSerialComm::deviceWithoutAccessIsRefusedBeforeOpening()
{
    SimulatedChip sim;
    QVERIFY2(startChip(sim), qPrintable(sim.errorString()));
    const QByteArray device = QFile::encodeName(sim.devicePath());
    struct stat before
    {
    };
    QVERIFY(::stat(device.constData(), &before) == 0);
    QVERIFY(::chmod(device.constData(), 0) == 0);

    // As root the permission bits do not stop an open, but the access check judges by the real
    // user: run it as "nobody" while keeping root's rights for the open itself. So a refusal
    // here also shows that the check comes before any open is tried.
    const bool asRoot = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    if (asRoot && ::setreuid(kNobody, static_cast<uid_t>(-1)) != 0) {
        ::chmod(device.constData(), before.st_mode & 07777);
        QSKIP("running as root and the real user cannot be changed to test access");
    }

    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    configure(comm, kSimPort, 1, 1, true);
    int number = 0;
    QStringList lines;
    {
        StderrCapture errors;
        number = errorOf([&] { comm.setPortOpen(true); });
        lines = errors.lines();
    }
    if (asRoot)
        QVERIFY(::setreuid(0, static_cast<uid_t>(-1)) == 0);
    ::chmod(device.constData(), before.st_mode & 07777);

    QCOMPARE(number, CommErrorNumber::InvalidPort);
    QVERIFY(!comm.portOpen());
    QCOMPARE(lines,
             QStringList{failureLine(kSimPort, sim.devicePath(),
                                     "Permission denied (is the user in the dialout group?)")});
}

void TestSerialComm::vanishingDeviceClosesThePortOnceWithoutSpinning()
{
    constexpr int kBlocksBeforeVanishing = 2;
    SimulatedChip sim;
    QVERIFY2(startChip(sim, {"--vanish-after", QString::number(kBlocksBeforeVanishing)}),
             qPrintable(sim.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    QSignalSpy lost(&comm, &Comm::deviceLost);
    int blocks = 0;
    connect(&comm, &Comm::onComm, this, [&] {
        ++blocks;
        for (int k = 0; k < 300; ++k)
            comm.input();
    });

    StderrCapture errors;
    configure(comm, kSimPort, 299, 1, false);
    comm.setPortOpen(true);
    comm.output(kScopeStart);
    QVERIFY(QTest::qWaitFor([&] { return !sim.isRunning(); }, kReplyTimeoutMs));

    // Left as it was, QSerialPort would report the dead descriptor on every pass at full speed.
    const double share = cpuShareWhileIdle(1000);
    QVERIFY2(share < 0.10, qPrintable(QStringLiteral("%1 % CPU").arg(share * 100)));

    QVERIFY(!comm.portOpen());
    QCOMPARE(blocks, kBlocksBeforeVanishing);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toInt(), CommErrorNumber::DeviceFailed);
    const QStringList lines = errors.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(failureLine(kSimPort, sim.devicePath(), "Device hung up")),
             qPrintable(lines[0]));
    QCOMPARE(errorOf([&] { comm.output(kStop); }), CommErrorNumber::PortClosed);
}

void TestSerialComm::writeToAVanishedDeviceRaises8020AndCloses()
{
    SimulatedChip sim;
    QVERIFY2(startChip(sim, {"--vanish-after", "1"}), qPrintable(sim.errorString()));
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.devicePath());
    SerialComm comm(ports);
    QSignalSpy lost(&comm, &Comm::deviceLost);

    configure(comm, kSimPort, 0, 1, false); // no receive events: the device goes unnoticed
    comm.setPortOpen(true);
    comm.output(kScopeStart);
    QVERIFY(deviceGoneWithin(sim.devicePath(), kReplyTimeoutMs));

    StderrCapture errors;
    QCOMPARE(errorOf([&] { comm.output(kStop); }), CommErrorNumber::DeviceFailed);
    QVERIFY(!comm.portOpen());
    // The writing handler reports this failure; deviceLost would report it a second time.
    QCOMPARE(lost.count(), 0);
    QCOMPARE(errors.lines().size(), 1);
    QVERIFY2(errors.lines()[0].startsWith(failureLine(kSimPort, sim.devicePath(), QString())),
             qPrintable(errors.lines()[0]));
    idleFor(200);
    QCOMPARE(lost.count(), 0);
}

void TestSerialComm::bytesFromBeforeTheOpenAreDropped()
{
    // A pseudo-terminal keeps what the other side wrote while nobody had the port open, and a
    // reply that was left unread when the port closed; a new session must not see either.
    OwnPty line;
    QVERIFY(!line.slavePath().isEmpty());
    PortMap ports;
    ports.setRunOverride(kSimPort, line.slavePath());
    SerialComm comm(ports);
    QList<QByteArray> reads;
    connect(&comm, &Comm::onComm, this, [&] { reads << comm.input(); });
    configure(comm, kSimPort, 1, 0, false);

    comm.setPortOpen(true);
    QVERIFY(line.send("unread"));
    QTest::qSleep(50); // in the driver, not yet taken by the port
    comm.setPortOpen(false);
    QVERIFY(line.send("while closed"));

    comm.setPortOpen(true);
    idleFor(200);
    QCOMPARE(reads, QList<QByteArray>{});
    QVERIFY(line.send("fresh"));
    QVERIFY(QTest::qWaitFor([&] { return !reads.isEmpty(); }, kReplyTimeoutMs));
    QCOMPARE(reads, QList<QByteArray>{"fresh"});
    comm.setPortOpen(false);
}

QTEST_GUILESS_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
