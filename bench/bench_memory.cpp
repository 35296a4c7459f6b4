// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a long scope run holds its memory: the program's own window (offscreen) on its real
// serial port, started with the Start button against the simulated chip sending blocks at the
// real line rate. Prints the resident size (VmRSS) when the stream has started, every minute,
// and at the end, and the growth; the target is under 1 MB (2 MiB with the journal). Never
// fails.
//
//   bench_memory [--minutes N] [--journal DIR]     (default 10 minutes, no journal)
//
// --journal: the window keeps the journal of runs in DIR as it does by default: the run's
// figures are worked out and its blocks written as they arrive.

#include "BenchSupport.h"

#include <QApplication>
#include <QPushButton>

namespace {
constexpr int kDefaultMinutes = 10;
constexpr int kMsPerMinute = 60'000;
constexpr double kTargetGrowthMiB = 1.0;

double mib(long kib)
{
    return kib / bench::kKiBPerMiB;
}
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QApplication app(argc, argv);
    const int minutes = bench::intOption(argc, argv, "--minutes", kDefaultMinutes);

    const auto chip = bench::startChip();
    if (!chip)
        return 1;
    bench::WindowOnDevice setup(chip->devicePath());
    const bench::JournalOption journalOption(argc, argv, setup.window().core());
    const long loaded = bench::residentKiB();
    setup.window().Be->click(); // the timing query, then the block stream
    if (!setup.comm().portOpen()) {
        std::printf("the scope did not start\n");
        return 1;
    }
    const long started = bench::residentKiB();

    std::printf("memory over %d min of blocks at the line rate (window offscreen, paced "
                "kdsp-sim)\n",
                minutes);
    std::printf("  resident after start-up:   %8ld KiB\n", loaded);
    std::printf("  resident once Start ran:   %8ld KiB\n", started);
    long afterFirstMinute = started;
    for (int minute = 1; minute <= minutes; ++minute) {
        bench::runFor(kMsPerMinute);
        const long now = bench::residentKiB();
        if (minute == 1)
            afterFirstMinute = now;
        std::printf("  after %3d min: %8ld KiB, %7ld blocks, port %s\n", minute, now,
                    setup.blocks(), setup.comm().portOpen() ? "open" : "CLOSED");
        std::fflush(stdout);
    }
    const long end = bench::residentKiB();
    setup.window().Ki->click(); // Stop
    chip->stop();

    std::printf("  growth since Start:        %+8ld KiB = %+.2f MiB (target under %.0f MB)\n",
                end - started, mib(end - started), kTargetGrowthMiB);
    if (minutes > 1)
        std::printf("  growth after the 1st min:  %+8ld KiB = %+.2f MiB\n", end - afterFirstMinute,
                    mib(end - afterFirstMinute));
    std::printf("  %ld blocks in all\n", setup.blocks());
    if (journalOption.journal)
        std::printf("  %s\n", qPrintable(journalOption.journal->statusText()));
    return 0;
}
