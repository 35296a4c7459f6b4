// SPDX-License-Identifier: GPL-3.0-or-later
// A console flood through the real port: a line that sends far more text than the console
// holds, without a single line break, as fast as the program takes it. The window must keep
// turning its event loop, the console must end holding the newest text, and what the program
// holds of the input must stay bounded however long the flood goes on.

#include "core/link/PtyPeers.h"
#include "support/LoopProbe.h"
#include "support/SimulatedWindow.h"

#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "core/console/ConsoleBuffer.h"
#include "window/ConsoleView.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cstddef>
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's runtime counts the heap bytes in use (its headers are not always
// installed with the compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr qsizetype kFloodBytes = 5'000'000;
constexpr qsizetype kWriteChunk = 4096;
constexpr int kWriterPollMs = 10;
// How often the probe asks to run; the gap between two runs is how long the loop was held.
constexpr int kProbeIntervalMs = 5;
// The program's own work between two turns of its loop stays under 100 ms. Counted in the
// thread's processor time: on a machine shared with other work the wall clock also counts time
// the processor was given to others (or taken by the host of a virtual machine), which says
// nothing about the program. Processing the flood in one go would take seconds.
constexpr double kLongestBusyMs = 100;
// How long the console works on the flood while the window is shown.
constexpr int kShownDrainMs = 2000;
// How long the console may take for the rest: as long as it keeps taking text (a loaded machine
// or the sanitizer build is slow, not stuck), but it must show progress within every stretch.
constexpr int kProgressWithinMs = 15'000;
constexpr int kDrainCapMs = 240'000;
// The endless feed: how long, when memory is first looked at, and how much it may grow after.
constexpr int kEndlessFeedMs = 30'000;
constexpr int kWarmUpMs = 5'000;
constexpr int kSampleEveryMs = 250;
constexpr qint64 kMostGrowthKiB = 16 * 1024;
// Enough of the end of the text to know the last character has been shown.
constexpr qsizetype kTailChecked = 16;

// Printable ASCII that never repeats in a short period, so a console that kept the wrong
// stretch of the text (shifted, or with a piece missing) cannot match by chance.
QByteArray floodText(qsizetype size)
{
    constexpr char kFirst = '!';
    constexpr int kPrintable = '~' - '!' + 1;
    QByteArray text(size, Qt::Uninitialized);
    quint32 state = 2463534242U;
    for (qsizetype i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        text[i] = static_cast<char>(kFirst + state % kPrintable);
    }
    return text;
}

// A pseudo-terminal whose master end the test writes to from its own thread.
class FloodLine
{
public:
    FloodLine() : master_(openRawPty(O_NONBLOCK, slave_)) {}
    ~FloodLine()
    {
        stop();
        if (master_ >= 0)
            ::close(master_);
    }
    FloodLine(const FloodLine&) = delete;
    FloodLine& operator=(const FloodLine&) = delete;

    QString slavePath() const { return slave_; }

    // Writes the text in chunks from a thread of its own, as fast as the reader takes it; with
    // endless set, over and over until stop().
    void startWriting(const QByteArray& text, bool endless = false)
    {
        writer_ = std::thread([this, text, endless] {
            qsizetype at = 0;
            qsizetype total = 0;
            while (!stop_) {
                if (at == text.size()) {
                    if (!endless)
                        break;
                    at = 0;
                }
                const qsizetype chunk = std::min(kWriteChunk, text.size() - at);
                const ssize_t written = ::write(master_, text.constData() + at, chunk);
                if (written > 0) {
                    at += written;
                    total += written;
                    written_ = total;
                    continue;
                }
                if (written < 0 && errno != EAGAIN && errno != EINTR)
                    break;
                pollfd out{master_, POLLOUT, 0};
                ::poll(&out, 1, kWriterPollMs);
            }
            done_ = true;
        });
    }
    void stop()
    {
        stop_ = true;
        if (writer_.joinable())
            writer_.join();
    }
    bool done() const { return done_; }
    qsizetype written() const { return written_; }

private:
    QString slave_; // before master_: filled while master_ is opened
    int master_ = -1;
    std::thread writer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<qsizetype> written_{0};
};

// The heap this process holds live, in KiB. In the sanitizer build freed blocks wait in the
// address sanitizer's quarantine (hundreds of MB) before they are reused, so resident memory
// grows there however flat the program's own use is; its allocator counts the live bytes alone.
// Elsewhere the C library's allocator counts them.
qint64 liveHeapKiB()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return static_cast<qint64>(::mallinfo2().uordblks / 1024);
#endif
}

// Resident memory of this process, in KiB, for the record.
qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Enter on an empty line: console mode on the flooded port, console cleared.
void openConsoleOn(const FloodLine& line, SimulatedWindow& w)
{
    QVERIFY(!line.slavePath().isEmpty());
    w.mapPort(line.slavePath());
    w.fo.Command->setText(QString());
    w.fo.core().sendLine(w.fo.Command->text());
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Console);
}

} // namespace

class TestFaultsFlood : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void floodWithoutLineBreaksKeepsTheWindowTurningAndTheNewestText();
    void anEndlessFloodKeepsMemoryFlat();
};

void TestFaultsFlood::floodWithoutLineBreaksKeepsTheWindowTurningAndTheNewestText()
{
    FloodLine line;
    SimulatedWindow w;
    openConsoleOn(line, w);
    if (QTest::currentTestFailed())
        return;

    const QByteArray sent = floodText(kFloodBytes);
    LoopProbe probe(kProbeIntervalMs);
    QElapsedTimer clock;
    clock.start();
    probe.start();
    line.startWriting(sent);

    // The port takes in text only as fast as the console works through it, one character per
    // event, holding at most its bound meanwhile; the rest waits in the kernel and the writer.
    qsizetype mostHeld = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { mostHeld = std::max<qsizetype>(mostHeld, w.comm.inBufferCount()); });
    watch.start(kProbeIntervalMs);
    idleFor(kShownDrainMs);
    const double busyWhileVisibleMs = probe.largestBusyMs();

    // On the offscreen platform a shown window repaints the whole window for every character
    // (about 30 us each): five megabytes would take minutes. Hidden, the console does the same
    // work without the repaints.
    w.fo.hide();
    const auto allTaken = [&] {
        return line.done() && w.comm.inBufferCount() == 0 &&
               w.fo.Text->text().endsWith(QLatin1String(sent.right(kTailChecked)));
    };
    const auto taken = [&] { return w.fo.Text->buffer().firstChar() + w.fo.Text->length(); };
    bool allShown = false;
    bool progressing = true;
    QElapsedTimer draining;
    draining.start();
    while (!allShown && progressing && draining.elapsed() < kDrainCapMs) {
        const qsizetype before = taken();
        allShown = waitUntil(allTaken, kProgressWithinMs);
        progressing = taken() > before;
    }
    probe.stop();
    watch.stop();
    qInfo("all shown after %.1f s, at most %lld bytes held; over %d probe turns the thread was "
          "busy at most %.1f ms between two (%.1f ms while visible; %lld ms in); the loop was "
          "held at most %.1f ms less run-queue waits, %lld ms on the wall clock",
          clock.elapsed() / 1e3, static_cast<long long>(mostHeld), probe.turns(),
          probe.largestBusyMs(), busyWhileVisibleMs,
          static_cast<long long>(probe.largestBusyEndedAtMs()), probe.largestHeldMs(),
          static_cast<long long>(probe.largestGapMs()));

    QVERIFY2(allShown,
             qPrintable(QStringLiteral("%1 bytes written, %2 left unread%3")
                            .arg(line.written())
                            .arg(w.comm.inBufferCount())
                            .arg(progressing ? QString() : QStringLiteral(" (stalled)"))));
    QCOMPARE(line.written(), kFloodBytes);
    QVERIFY2(mostHeld <= Comm::kMaxHeldInput, qPrintable(QString::number(mostHeld)));
    QVERIFY2(probe.largestBusyMs() < kLongestBusyMs,
             qPrintable(QStringLiteral("the event loop was held by %1 ms of work, until %2 ms "
                                       "after the flood began")
                            .arg(probe.largestBusyMs())
                            .arg(probe.largestBusyEndedAtMs())));

    const QString held = w.fo.Text->text();
    QVERIFY2(held.size() <= ConsoleView::kMaxChars, qPrintable(QString::number(held.size())));
    // Trimming drops at most one chunk more than needed.
    QVERIFY2(held.size() >= ConsoleView::kMaxChars - ConsoleBuffer::kTrimChunk,
             qPrintable(QString::number(held.size())));
    QVERIFY2(held == QString::fromLatin1(sent.right(held.size())),
             "the console does not hold the newest characters in the order sent");
    QCOMPARE(w.reports(), QStringList{});
    QVERIFY(w.comm.portOpen());
}

void TestFaultsFlood::anEndlessFloodKeepsMemoryFlat()
{
    // A device sending text far faster than the line (a pseudo-terminal takes about 12 MB/s)
    // for half a minute: what the program holds stays bounded and its memory flat, and the
    // console keeps taking the newest text.
    FloodLine line;
    SimulatedWindow w;
    openConsoleOn(line, w);
    if (QTest::currentTestFailed())
        return;
    w.fo.hide();

    qsizetype mostHeld = 0;
    qint64 heapAfterWarmUp = -1;
    qint64 mostHeap = 0;
    qint64 residentAfterWarmUp = -1;
    qint64 mostResident = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        mostHeld = std::max<qsizetype>(mostHeld, w.comm.inBufferCount());
        if (clock.elapsed() < kWarmUpMs)
            return;
        const qint64 heap = liveHeapKiB();
        const qint64 resident = residentKiB();
        if (heapAfterWarmUp < 0) {
            heapAfterWarmUp = heap;
            residentAfterWarmUp = resident;
        }
        mostHeap = std::max(mostHeap, heap);
        mostResident = std::max(mostResident, resident);
    });
    sample.start(kSampleEveryMs);
    line.startWriting(floodText(kWriteChunk * 64), true);
    const qsizetype shownAtWarmUp = [&] {
        idleFor(kWarmUpMs);
        return w.fo.Text->buffer().firstChar() + w.fo.Text->length();
    }();
    idleFor(kEndlessFeedMs - kWarmUpMs);
    sample.stop();
    line.stop();
    const qsizetype shownAtEnd = w.fo.Text->buffer().firstChar() + w.fo.Text->length();

    qInfo("%lld bytes written in %d s; at most %lld bytes held; live heap %lld KiB after %d s, "
          "at most %lld KiB after (resident %lld, at most %lld KiB); %lld characters shown "
          "after the warm-up",
          static_cast<long long>(line.written()), kEndlessFeedMs / 1000,
          static_cast<long long>(mostHeld), static_cast<long long>(heapAfterWarmUp),
          kWarmUpMs / 1000, static_cast<long long>(mostHeap),
          static_cast<long long>(residentAfterWarmUp), static_cast<long long>(mostResident),
          static_cast<long long>(shownAtEnd - shownAtWarmUp));
    QVERIFY(heapAfterWarmUp > 0);
    QVERIFY2(mostHeld <= Comm::kMaxHeldInput, qPrintable(QString::number(mostHeld)));
    QVERIFY2(mostHeap - heapAfterWarmUp < kMostGrowthKiB,
             qPrintable(QStringLiteral("the live heap grew by %1 KiB")
                            .arg(mostHeap - heapAfterWarmUp)));
    // The console went on taking text all the while.
    QVERIFY(shownAtEnd > shownAtWarmUp);
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.reports(), QStringList{});
}

QTEST_MAIN(TestFaultsFlood)
#include "tst_faults_flood.moc"
