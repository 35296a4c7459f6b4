// SPDX-License-Identifier: GPL-3.0-or-later
// What console text costs at the line's full pace: the program's own window on its real serial
// port in console mode (Enter on the command line), against the simulated chip sending lines of
// its register listing at 11,520 characters a second (115200 baud, 8N1) for half a minute. Run it
// on the display to be measured (scripts/bench starts an Xvfb for it). Prints the CPU this
// process used as a share of one core, and the display server's CPU when its process id is
// given. Never fails on speed.
//
//   bench_console_stream [--seconds N] [--chunk-ms MS] [--x-server-pid PID]
//
// --chunk-ms: the period of the chunks the text comes in (default 1, a USB CDC adapter's).

#include "BenchSupport.h"

#include "core/console/Console.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"

#include <QApplication>
#include <QScrollBar>

namespace {
constexpr int kDefaultSeconds = 30;
constexpr int kMsPerSecond = 1000;
// One core's share: under 2 % with 1 ms chunks, under 1.5 % with 5.5 ms ones.
constexpr double kTargetPercentFastChunks = 2.0;
constexpr double kTargetPercent = 1.5;
constexpr double kFastChunkMs = 2.0;
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QApplication app(argc, argv);
    const int seconds = bench::intOption(argc, argv, "--seconds", kDefaultSeconds);
    const QString chunkMs = bench::stringOption(argc, argv, "--chunk-ms", QStringLiteral("1"));

    const auto chip =
        bench::startChip({QStringLiteral("--text-stream"), QStringLiteral("--chunk-ms"), chunkMs});
    if (!chip)
        return 1;
    bench::WindowOnDevice setup(chip->devicePath());
    Fo& fo = setup.window();
    const auto* paints = new bench::PaintCounter(fo.Text->viewport());
    const auto* barPaints = new bench::PaintCounter(fo.Text->verticalScrollBar());
    long events = 0;
    QObject::connect(&setup.comm(), &Comm::onComm, &fo, [&] {
        if (setup.comm().commEvent() == Comm::kEvReceive &&
            stateOf(fo.core()).receiveMode == ModeConsole)
            ++events;
    });
    // Enter on an empty command line: the console is emptied, the port opened for text.
    fo.core().sendLine(fo.Command->text());
    if (!setup.comm().portOpen() || stateOf(fo.core()).receiveMode != ModeConsole) {
        std::printf("the console did not open the port\n");
        return 1;
    }
    bench::runFor(kMsPerSecond); // past the first screenful

    const long eventsBefore = events;
    const long paintsBefore = paints->paints();
    const long barPaintsBefore = barPaints->paints();
    const quint64 wakeUpsBefore = setup.serial().wakeUps();
    bench::StreamCost cost(argc, argv);
    cost.start();
    bench::runFor(seconds * kMsPerSecond);
    cost.stop();
    const long taken = events - eventsBefore;
    const long repaints = paints->paints() - paintsBefore;
    const long barRepaints = barPaints->paints() - barPaintsBefore;
    const quint64 wakeUps = setup.serial().wakeUps() - wakeUpsBefore;
    chip->stop();

    std::printf("console at the line rate: the window on its serial port, kdsp-sim's text "
                "stream in chunks of %s ms\n",
                qPrintable(chunkMs));
    std::printf("  %.1f s: %ld characters taken, %.0f per second (the line carries %.0f)\n",
                cost.wall(), taken, taken / cost.wall(), bench::kLineCharsPerSecond);
    std::printf("  the console holds %lld characters; it was repainted %ld times (%.0f/s)\n",
                static_cast<long long>(fo.Text->length()), repaints, repaints / cost.wall());
    std::printf("  its scroll bar was repainted %ld times (%.0f/s)\n", barRepaints,
                barRepaints / cost.wall());
    std::printf("  arriving text woke the program %.0f times a second\n",
                static_cast<double>(wakeUps) / cost.wall());
    if (taken > 0)
        std::printf("  %.2f us CPU per character\n", cost.cpu() * 1e6 / taken);
    const QByteArray what = "console " + chunkMs.toUtf8() + "ms";
    cost.print(what.constData(),
               chunkMs.toDouble() < kFastChunkMs ? kTargetPercentFastChunks : kTargetPercent);
    return 0;
}
