// SPDX-License-Identifier: GPL-3.0-or-later
// What a running scope costs: the program's own window on its real serial port, started with the
// Start button against the simulated chip sending blocks at the real line rate, watched for half
// a minute. Run it on the display to be measured (scripts/bench starts an Xvfb for it; offscreen
// leaves the display's share out). Prints the CPU this process used as a share of one core, and
// the display server's CPU when its process id is given. Never fails on speed.
//
//   bench_scope [--seconds N] [--chunk-ms MS] [--x-server-pid PID] [--record FILE]
//               [--journal DIR [--runs-window [--runs-before N]]]
//
// --chunk-ms: the simulator hands the stream over in chunks of this period, as a USB adapter
// does (1 for a USB CDC adapter, 5.5 for an FTDI-style one); without it each block comes whole.
// --record: the window records the blocks into FILE as --record does (CSV, or gzip for *.gz);
// the difference to a run without it is what recording costs, and the CPU of the recorder's own
// handling of each block (timed around it, as the window runs) is printed beside it.
// --journal: the window keeps the journal of runs in DIR, as it does by default (the runs cut,
// their figures worked out and their blocks written as .csv.gz); timed the same way.
// --runs-window: the Runs window is open beside the scope on the live session, as Ctrl+R opens
// it, following the run under way; the difference to --journal alone is what it costs, and the
// CPU of its own events (those sent to its widgets and to the model feeding it, its refresh
// timer's included, timed around each) is printed beside it.
// --runs-before: N short runs (Start, two seconds, Stop) are made before the timed one, so the
// window holds a tuning session's rows, as it does after N tries.

#include "BenchSupport.h"

#include "core/Core.h"
#include "core/journal/Journal.h"
#include "core/record/Recorder.h"
#include "core/runs/RunsModel.h"
#include "window/RunsWindow.h"
#include "window/ScopeSurface.h"

#include <QApplication>
#include <QWindow>
#include <QPushButton>

#include <ctime>
#include <functional>

namespace {
constexpr int kDefaultSeconds = 30;
constexpr int kMsPerSecond = 1000;
// One core's share: under 2 % with 1 ms chunks, under 1 % with 5.5 ms ones.
constexpr double kTargetPercentFastChunks = 2.0;
constexpr double kTargetPercent = 1.0;
constexpr double kFastChunkMs = 2.0;
// What recording may add at the line rate, in % of one core.
constexpr double kTargetRecordingCsvPercent = 0.3;
constexpr double kTargetRecordingGzipPercent = 0.6;
// What the Runs window open on the live session may add, in % of one core.
constexpr double kTargetRunsWindowPercent = 0.5;
// Each of --runs-before's runs lasts this long.
constexpr int kEarlierRunMs = 2000;

double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The CPU taken by the slots connected to a block's arrival after this timer is made and before
// stop(): a slot connected before them and one connected after, called in that order, bracket them.
class SlotTimer
{
public:
    explicit SlotTimer(Core& core) : core_(core)
    {
        QObject::connect(&core_, &Core::blockReceived, [this] { began_ = threadCpuSeconds(); });
    }
    void stop()
    {
        QObject::connect(&core_, &Core::blockReceived, [this] {
            if (counting_)
                seconds_ += threadCpuSeconds() - began_;
        });
    }
    void count(bool on) { counting_ = on; }
    double seconds() const { return seconds_; }

private:
    Core& core_;
    double began_ = 0;
    double seconds_ = 0;
    bool counting_ = false;
};

// The application, timing the events of the objects `counted` picks, and what they set off
// before they return, while counting.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    std::function<bool(const QObject*)> counted;
    bool counting = false;
    double seconds = 0;
    long events = 0;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!counting || inside_ || !counted || !counted(receiver))
            return QApplication::notify(receiver, event);
        inside_ = true;
        ++events;
        const double began = threadCpuSeconds();
        const bool done = QApplication::notify(receiver, event);
        seconds += threadCpuSeconds() - began;
        inside_ = false;
        return done;
    }

private:
    bool inside_ = false;
};
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    TimedApplication app(argc, argv);
    const int seconds = bench::intOption(argc, argv, "--seconds", kDefaultSeconds);
    const QStringList chunk = bench::chunkArguments(argc, argv);
    const double chunkMs = chunk.isEmpty() ? 0 : chunk.last().toDouble();

    const auto chip = bench::startChip(chunk);
    if (!chip)
        return 1;
    bench::WindowOnDevice setup(chip->devicePath());
    const QString recordInto = bench::stringOption(argc, argv, "--record");
    std::unique_ptr<Recorder> recorder;
    SlotTimer recording(setup.window().core());
    if (!recordInto.isEmpty()) {
        QFile::remove(recordInto);
        QString error;
        recorder = Recorder::start(recordInto, setup.window().core(), error);
        if (!recorder) {
            std::printf("cannot record: %s\n", qPrintable(error));
            return 1;
        }
    }
    const bench::JournalOption journalOption(argc, argv, setup.window().core());
    recording.stop();
    bench::NoSettings runsSettings;
    RunsModel liveRuns;
    std::unique_ptr<RunsWindow> runsWindow;
    if (journalOption.journal && bench::hasOption(argc, argv, "--runs-window")) {
        liveRuns.follow(*journalOption.runs);
        Journal* journal = journalOption.journal.get();
        runsWindow = std::make_unique<RunsWindow>(
            RunsWindow::Source{&liveRuns, journal->root(),
                               [journal] { return journal->sessionFolder(); }},
            runsSettings);
        runsWindow->show();
        app.counted = [&liveRuns, window = runsWindow.get()](const QObject* receiver) {
            if (receiver == &liveRuns || receiver->parent() == &liveRuns)
                return true;
            const auto* widget = qobject_cast<const QWidget*>(receiver);
            if (!widget && receiver->isWindowType())
                return static_cast<const QWindow*>(receiver) == window->windowHandle();
            return widget && widget->window() == window;
        };
    }
    for (int run = bench::intOption(argc, argv, "--runs-before", 0); runsWindow && run > 0; --run) {
        setup.window().Be->click();
        bench::runFor(kEarlierRunMs);
        setup.window().Ki->click();
        bench::runFor(kMsPerSecond / 4);
    }
    const auto* paints = new bench::PaintCounter(setup.window().Rajz);
    setup.window().Be->click(); // the timing query, then the block stream
    if (!setup.comm().portOpen()) {
        std::printf("the scope did not start\n");
        return 1;
    }
    bench::runFor(kMsPerSecond); // past the start

    const long blocksBefore = setup.blocks();
    const long paintsBefore = paints->paints();
    const quint64 wakeUpsBefore = setup.serial().wakeUps();
    bench::StreamCost cost(argc, argv);
    cost.start();
    recording.count(true);
    app.counting = true;
    bench::runFor(seconds * kMsPerSecond);
    app.counting = false;
    recording.count(false);
    cost.stop();
    const long blocks = setup.blocks() - blocksBefore;
    const long repaints = paints->paints() - paintsBefore;
    const quint64 wakeUps = setup.serial().wakeUps() - wakeUpsBefore;

    setup.window().Ki->click(); // Stop
    chip->stop();
    const double simCpu = bench::cpuSeconds(RUSAGE_CHILDREN);

    const QByteArray chunkText =
        chunk.isEmpty() ? QByteArray("whole blocks") : "chunks of " + chunk.last().toUtf8() + " ms";
    std::printf("scope at the line rate: the window on its serial port, paced kdsp-sim, %s\n",
                chunkText.constData());
    std::printf("  %.1f s: %ld blocks drawn, %.1f blocks/s (the line carries %.1f)\n", cost.wall(),
                blocks, blocks / cost.wall(), bench::kLineBlocksPerSecond);
    std::printf("  the scope surface was repainted %ld times (%.1f/s)\n", repaints,
                repaints / cost.wall());
    std::printf("  arriving bytes woke the program %.1f times a second\n",
                static_cast<double>(wakeUps) / cost.wall());
    if (blocks > 0)
        std::printf("  %.0f us CPU per block\n", cost.cpu() * 1e6 / blocks);
    std::printf("  the simulator used %.2f s of CPU over its whole run\n", simCpu);
    // At a device pixel ratio above 1 (QT_SCALE_FACTOR=2) the scope is drawn at the screen's
    // pixels: its figure stands beside the ratio 1 one.
    const qreal ratio = setup.window().devicePixelRatioF();
    QByteArray what = "scope " +
                      (chunk.isEmpty() ? QByteArray("blocks") : chunk.last().toUtf8() + "ms") +
                      (ratio != 1 ? " ratio " + QByteArray::number(ratio) : QByteArray());
    if (recorder) {
        const bool compressed = recordInto.endsWith(QLatin1String(".gz"));
        std::printf("  recorded %d blocks into %s\n", recorder->blocksWritten(),
                    qPrintable(recordInto));
        if (blocks > 0)
            std::printf("  recording itself: %.1f us CPU a block = %.3f %% of one core at the line "
                        "rate (target at most %.1f %%)\n",
                        recording.seconds() * 1e6 / blocks,
                        recording.seconds() / blocks * bench::kLineBlocksPerSecond * 100,
                        compressed ? kTargetRecordingGzipPercent : kTargetRecordingCsvPercent);
        what += compressed ? " recording gz" : " recording csv";
    }
    if (journalOption.journal) {
        std::printf("  %s\n", qPrintable(journalOption.journal->statusText()));
        if (blocks > 0)
            std::printf(
                "  the journal itself: %.1f us CPU a block = %.3f %% of one core at the line "
                "rate (target at most %.1f %%)\n",
                recording.seconds() * 1e6 / blocks,
                recording.seconds() / blocks * bench::kLineBlocksPerSecond * 100,
                kTargetRecordingGzipPercent);
        what += " journal";
    }
    if (runsWindow) {
        std::printf("  the Runs window was open on the live session, %d run(s) in it; its own "
                    "events (%ld): %.3f s CPU = %.3f %% of one core (target at most %.1f %%)\n",
                    liveRuns.runCount(), app.events, app.seconds, app.seconds / cost.wall() * 100,
                    kTargetRunsWindowPercent);
        what += " runs-window";
    }
    cost.print(what.constData(),
               chunkMs > 0 && chunkMs < kFastChunkMs ? kTargetPercentFastChunks : kTargetPercent);
    return 0;
}
