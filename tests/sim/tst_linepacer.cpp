// SPDX-License-Identifier: GPL-3.0-or-later
// The line between the simulated chip and the reader, driven with a made-up clock: bytes come
// out at exactly the line rate, only on the adapter's ticks, never before they have left the
// wire, and an idle line banks no time.
#include "LinePacer.h"

#include <QtTest>

#include <chrono>
#include <string>

using namespace std::chrono_literals;
using kdsp::LinePacer;
using kdsp::SimTime;

namespace {
// 1e10 / 115200 ns, rounded up: the time one byte takes on the wire.
constexpr SimTime kByteTime{86'806};

// Bytes of a line busy since `start` that have left the wire by `at`.
std::int64_t bytesOnWire(SimTime start, SimTime at)
{
    return (at - start).count() * 115'200 / 10'000'000'000LL;
}
} // namespace

class TestLinePacer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyLineKeepsTheLineRate_data()
    {
        QTest::addColumn<SimTime>("period");
        QTest::newRow("1 ms ticks, a USB CDC adapter") << SimTime(1ms);
        QTest::newRow("5.5 ms ticks, an FTDI-style adapter") << SimTime(5500us);
    }

    // 25 s of a line that never runs dry: what has come out matches the wire exactly at every
    // tick, and nothing comes out between ticks.
    void busyLineKeepsTheLineRate()
    {
        QFETCH(SimTime, period);
        LinePacer line(period);
        const SimTime start = 3 * period; // on a tick
        std::string text(1000, 'x');
        line.push(text, start);
        std::int64_t released = 0;
        std::int64_t pushed = static_cast<std::int64_t>(text.size());
        for (SimTime now = start; now <= start + 25s; now += period / 2) {
            const std::string out = line.release(now);
            const bool onTick = now.count() % period.count() == 0;
            if (!onTick)
                QVERIFY2(out.empty(), qPrintable(QString::number(now.count())));
            released += static_cast<std::int64_t>(out.size());
            if (onTick)
                QCOMPARE(released, bytesOnWire(start, now));
            // Keep the line busy, as the simulator's text stream does.
            while (static_cast<std::int64_t>(line.queued()) < 2000) {
                line.push(text, line.freeAt());
                pushed += static_cast<std::int64_t>(text.size());
            }
        }
        QCOMPARE(released + static_cast<std::int64_t>(line.queued()), pushed);
        // Chunks are what the wire carries in one period: 11 or 12 bytes, or 63 or 64.
        const std::int64_t perTick = bytesOnWire(SimTime{0}, period);
        QVERIFY(perTick == 11 || perTick == 63);
    }

    // Bytes in order, none before its last bit has left the wire, none held past the tick after
    // that, and nextRelease() names that tick.
    void bytesLeaveWhenTheyHaveCrossedTheWire()
    {
        LinePacer line(1ms);
        const SimTime start = 10ms + 300us; // between ticks
        line.push("abc", start);
        QCOMPARE(line.nextRelease(), std::optional<SimTime>(11ms));
        QVERIFY(line.release(10ms + 999us).empty());
        // By 11 ms (700 us after the start) all three bytes (260 us) are out.
        QCOMPARE(line.release(11ms + 10us), std::string("abc"));
        QCOMPARE(line.nextRelease(), std::nullopt);

        // A push while busy waits for the line; only whole bytes come out.
        LinePacer slow(100us);
        slow.push("0123456789", 0ms);
        QCOMPARE(slow.release(100us), std::string("0"));
        QCOMPARE(slow.release(200us), std::string("1"));
        slow.push("AB", 200us);
        QCOMPARE(slow.release(10 * kByteTime + 100us), std::string("23456789"));
        QCOMPARE(slow.release(12 * kByteTime + 100us), std::string("AB"));
        QCOMPARE(slow.queued(), std::size_t{0});
    }

    // After a pause the line starts again from the push, not from the end of the last bytes:
    // a pause must not let a burst through. Clearing forgets what was queued.
    void idleLineBanksNoTime()
    {
        LinePacer line(1ms);
        line.push("xy", 0ms);
        QCOMPARE(line.release(1ms), std::string("xy"));
        const std::string text(100, 'z');
        line.push(text, 500ms);
        QCOMPARE(line.release(501ms).size(), std::size_t(bytesOnWire(500ms, 501ms)));
        line.clear();
        QCOMPARE(line.queued(), std::size_t{0});
        QVERIFY(line.release(600ms).empty());
        QCOMPARE(line.nextRelease(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestLinePacer)
#include "tst_linepacer.moc"
