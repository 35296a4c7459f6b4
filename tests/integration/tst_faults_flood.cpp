// A console flood through the real port: a line that sends far more text than the console
// holds, without a single line break, as fast as the program takes it. The window must keep
// turning its event loop, and the console must end holding the newest text.

#include "link/PtyPeers.h"
#include "support/LoopProbe.h"
#include "support/SimulatedWindow.h"

#include "console/CommandLine.h"
#include "console/Console.h"
#include "console/ConsoleBuffer.h"
#include "console/ConsoleView.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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
// The loop must turn at least every 100 ms. The probe takes out the time the scheduler gave to
// other processes, so the bound holds on a loaded machine too.
constexpr double kLongestHoldMs = 100;
constexpr int kArrivalTimeoutMs = 10'000;
// How long the console works on the flood while the window is shown.
constexpr int kShownDrainMs = 2000;
constexpr int kDrainTimeoutMs = 45'000;
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
        stop_ = true;
        if (writer_.joinable())
            writer_.join();
        if (master_ >= 0)
            ::close(master_);
    }
    FloodLine(const FloodLine&) = delete;
    FloodLine& operator=(const FloodLine&) = delete;

    QString slavePath() const { return slave_; }

    // Writes the text in chunks from a thread of its own, as fast as the reader takes it.
    void startWriting(const QByteArray& text)
    {
        writer_ = std::thread([this, text] {
            qsizetype at = 0;
            while (at < text.size() && !stop_) {
                const qsizetype chunk = std::min(kWriteChunk, text.size() - at);
                const ssize_t written = ::write(master_, text.constData() + at, chunk);
                if (written > 0) {
                    at += written;
                    continue;
                }
                if (written < 0 && errno != EAGAIN && errno != EINTR)
                    break;
                pollfd out{master_, POLLOUT, 0};
                ::poll(&out, 1, kWriterPollMs);
            }
            written_ = at;
            done_ = true;
        });
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

} // namespace

class TestFaultsFlood : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void floodWithoutLineBreaksKeepsTheWindowTurningAndTheNewestText();
};

void TestFaultsFlood::floodWithoutLineBreaksKeepsTheWindowTurningAndTheNewestText()
{
    FloodLine line;
    QVERIFY(!line.slavePath().isEmpty());
    SimulatedWindow w;
    w.mapPort(line.slavePath());

    // Enter on an empty line: console mode on the flooded port, console cleared.
    w.fo.Command->setText(QString());
    w.fo.console().Command_KeyPress(Console::kEnterKey);
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.fo.state.receiveMode, quint8(ModeConsole));

    const QByteArray sent = floodText(kFloodBytes);
    LoopProbe probe(kProbeIntervalMs);
    QElapsedTimer clock;
    clock.start();
    probe.start();
    line.startWriting(sent);

    // The whole text reaches the port within a fraction of a second; the console then works
    // through it one character per event while it is shown.
    QVERIFY(waitUntil([&] { return line.done(); }, kArrivalTimeoutMs));
    const qint64 arrivedMs = clock.elapsed();
    QCOMPARE(line.written(), kFloodBytes);
    idleFor(kShownDrainMs);
    const qsizetype shownWhileVisible = kFloodBytes - w.comm.inBufferCount();
    const double heldWhileVisibleMs = probe.largestHeldMs();

    // On the offscreen platform a shown window repaints the whole window for every character
    // (about 30 us each): five megabytes would take minutes. Hidden, the console does the same
    // work without the repaints.
    w.fo.hide();
    const bool allShown = waitUntil(
        [&] {
            return w.comm.inBufferCount() == 0 &&
                   w.fo.Text->text().endsWith(QLatin1String(sent.right(kTailChecked)));
        },
        kDrainTimeoutMs);
    probe.stop();
    qInfo("5 MB at the port after %lld ms; %lld characters shown in %d ms with the window "
          "visible (loop held at most %.1f ms); all shown after %.1f s; over %d probe turns the "
          "loop was held at most %.1f ms (%lld ms in), the largest gap on the wall clock was "
          "%lld ms",
          static_cast<long long>(arrivedMs), static_cast<long long>(shownWhileVisible),
          kShownDrainMs, heldWhileVisibleMs, clock.elapsed() / 1e3, probe.turns(),
          probe.largestHeldMs(), static_cast<long long>(probe.largestHeldEndedAtMs()),
          static_cast<long long>(probe.largestGapMs()));

    QVERIFY2(allShown,
             qPrintable(QStringLiteral("%1 bytes left unread").arg(w.comm.inBufferCount())));
    QVERIFY2(probe.largestHeldMs() < kLongestHoldMs,
             qPrintable(QStringLiteral("the event loop stood still for %1 ms, until %2 ms after "
                                       "the flood began")
                            .arg(probe.largestHeldMs())
                            .arg(probe.largestHeldEndedAtMs())));

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

QTEST_MAIN(TestFaultsFlood)
#include "tst_faults_flood.moc"
