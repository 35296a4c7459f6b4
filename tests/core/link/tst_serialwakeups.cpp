// SPDX-License-Identifier: GPL-3.0-or-later
// The real port wakes the program only when input can matter: the driver collects the bytes the
// next receive event needs, or a batch of streaming console text, before it reports the device
// readable. These tests pin that this saves wake-ups without leaving bytes in the driver: a
// short answer, a short block and the tail of a stream all still arrive, in order.

#include "PtyPeers.h"
#include "support/IdleFor.h"

#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <limits>

#include <sys/resource.h>

namespace {
constexpr int kPort = 7;
// Far above the longest the late timer waits (twice 255 bytes' line time plus a little).
constexpr int kArrivalTimeoutMs = 1000;

// How often this thread has gone to sleep waiting for something (voluntary context switches).
long threadSleeps()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// A port at `device` with the given threshold, whose receive events take what they are given
// (read length 0: everything waiting) and keep it.
struct Receiver
{
    Receiver(const QString& device, int threshold, int readLength) : comm(ports)
    {
        ports.setRunOverride(kPort, device);
        comm.setCommPort(kPort);
        comm.setRThreshold(threshold);
        comm.setInputLen(readLength);
        QObject::connect(&comm, &Comm::onComm, &comm, [this] {
            ++events;
            received += comm.input();
        });
        comm.setPortOpen(true);
    }

    PortMap ports;
    SerialComm comm;
    QByteArray received;
    int events = 0;
};
} // namespace

class TestSerialWakeups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fewerBytesThanAskedForStillArrive_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("sent");
        QTest::newRow("3 bytes of a 7-character timing answer") << 7 << 3;
        QTest::newRow("a block that comes 100 bytes short") << 299 << 199;
        QTest::newRow("the first 255 bytes of a block, and a few more") << 299 << 270;
    }

    // No receive event is due, but the bytes must not wait unseen in the driver: they reach the
    // port's buffer within the late timer's bound, and the next byte still wakes the program.
    void fewerBytesThanAskedForStillArrive()
    {
        QFETCH(int, threshold);
        QFETCH(int, sent);
        OwnPty line;
        Receiver port(line.slavePath(), threshold, 0);
        QVERIFY(line.send(QByteArray(sent, 'x')));
        QTRY_COMPARE_WITH_TIMEOUT(port.comm.inBufferCount(), sent, kArrivalTimeoutMs);
        QCOMPARE(port.events, 0);
        QVERIFY(line.send(QByteArray(threshold - sent, 'y')));
        QTRY_COMPARE_WITH_TIMEOUT(port.events, 1, kArrivalTimeoutMs);
        QCOMPARE(port.received, QByteArray(sent, 'x') + QByteArray(threshold - sent, 'y'));
    }

    // Bytes arriving close together make the port collect console text in batches; a block that
    // lacks one byte must still get it at once, not when a batch's late timer runs out (49 ms).
    void theLastByteOfABlockIsNotBatched()
    {
        OwnPty line;
        Receiver port(line.slavePath(), 299, 0);
        qint64 fastest = std::numeric_limits<qint64>::max();
        for (int attempt = 0; attempt < 3; ++attempt) {
            QVERIFY(line.send(QByteArray(290, 'b')));
            idleFor(3);
            QVERIFY(line.send(QByteArray(8, 'b'))); // 298: one short of the threshold
            QElapsedTimer waited;
            waited.start();
            while (port.comm.inBufferCount() < 298 && waited.elapsed() < kArrivalTimeoutMs)
                idleFor(1);
            QCOMPARE(port.comm.inBufferCount(), 298);
            const int events = port.events;
            QElapsedTimer clock;
            clock.start();
            QVERIFY(line.send("B"));
            while (port.events == events && clock.elapsed() < kArrivalTimeoutMs)
                idleFor(1);
            QCOMPARE(port.events, events + 1);
            fastest = std::min(fastest, clock.elapsed());
        }
        QVERIFY2(fastest < 30, qPrintable(QString::number(fastest)));
    }

    // A block stream in 1 ms chunks, as a USB CDC adapter delivers it: every byte arrives, one
    // receive event per block, and a couple of wake-ups per block rather than one per chunk
    // (about 26). The driver wakes a thread watching the device for every chunk even while it
    // holds the bytes back, so the thread's own count of sleeps is checked too.
    void blocksInSmallChunksWakeTheProgramAFewTimesABlock()
    {
        SimulatedChip chip;
        QVERIFY(startChip(chip, {"--chunk-ms", "1"}));
        Receiver port(chip.devicePath(), 300, 300);
        const quint64 wakeUpsBefore = port.comm.wakeUps();
        const long sleepsBefore = threadSleeps();
        port.comm.output("J1000\r");
        // The event loop itself, not a test wait that sleeps between its turns and so would
        // collect the chunks on its own.
        idleFor(2000);
        port.comm.output("q\r");
        QVERIFY(port.events >= 30);
        const quint64 wakeUps = port.comm.wakeUps() - wakeUpsBefore;
        QCOMPARE(port.received.size() % 300, 0);
        QVERIFY2(
            wakeUps <= 4ULL * static_cast<quint64>(port.events),
            qPrintable(QStringLiteral("%1 wake-ups for %2 blocks").arg(wakeUps).arg(port.events)));
        const long sleeps = threadSleeps() - sleepsBefore;
        QVERIFY2(
            sleeps <= 6L * port.events,
            qPrintable(QStringLiteral("%1 sleeps for %2 blocks").arg(sleeps).arg(port.events)));
    }

    // Console text streaming in 1 ms chunks is taken a character per event, all of it, in
    // order, in about one wake-up per collection time, and the tail that ends the stream is
    // there at once, not at the next batch.
    void streamingTextIsCollectedAndItsTailStillArrives()
    {
        OwnPty line;
        Receiver port(line.slavePath(), 1, 1);
        QByteArray sent;
        const quint64 wakeUpsBefore = port.comm.wakeUps();
        QElapsedTimer streaming;
        streaming.start();
        for (int chunk = 0; chunk < 400; ++chunk) {
            const QByteArray text = QByteArray::number(chunk).rightJustified(11, '.');
            QVERIFY(line.send(text));
            sent += text;
            idleFor(1);
        }
        QVERIFY(line.send("END"));
        sent += "END";
        QTRY_COMPARE_WITH_TIMEOUT(port.received.size(), sent.size(), kArrivalTimeoutMs);
        QCOMPARE(port.received, sent);
        QCOMPARE(port.events, sent.size());
        // 400 chunks: a wake-up per chunk would be 400 or more, one per 255 bytes 17 or more.
        const quint64 wakeUps = port.comm.wakeUps() - wakeUpsBefore;
        const qint64 collections =
            streaming.elapsed() / SerialComm::kStreamCollectTime.count() + 4; // start and tail
        QVERIFY2(qint64(wakeUps) <= collections,
                 qPrintable(QStringLiteral("%1 wake-ups for %2 ms of text")
                                .arg(wakeUps)
                                .arg(streaming.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestSerialWakeups)
#include "tst_serialwakeups.moc"
