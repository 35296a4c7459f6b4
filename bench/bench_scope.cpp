// What a running scope costs: the program's own window (offscreen) on its real serial port,
// started with the Start button against the simulated chip sending blocks at the real line
// rate, watched for a minute. Prints the CPU this process used as a share of one core; the
// target is under 2 %. Never fails on speed.
//
//   bench_scope [--seconds N]     (default 60)

#include "BenchSupport.h"

#include "window/ScopeSurface.h"

#include <QApplication>
#include <QPushButton>

namespace {
constexpr int kDefaultSeconds = 60;
constexpr int kMsPerSecond = 1000;
constexpr double kTargetPercent = 2.0;
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QApplication app(argc, argv);
    const int seconds = bench::intOption(argc, argv, "--seconds", kDefaultSeconds);

    const auto chip = bench::startChip();
    if (!chip)
        return 1;
    bench::WindowOnDevice setup(chip->devicePath());
    const auto* paints = new bench::PaintCounter(setup.window().Rajz);
    setup.window().Be->click(); // the timing query, then the block stream
    if (!setup.comm().portOpen()) {
        std::printf("the scope did not start\n");
        return 1;
    }

    const long blocksBefore = setup.blocks();
    const long paintsBefore = paints->paints();
    const double cpuBefore = bench::cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    bench::runFor(seconds * kMsPerSecond);
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpuBefore;
    const long blocks = setup.blocks() - blocksBefore;
    const long repaints = paints->paints() - paintsBefore;

    setup.window().Ki->click(); // Stop
    chip->stop();
    const double simCpu = bench::cpuSeconds(RUSAGE_CHILDREN);

    std::printf(
        "scope at the line rate: the window offscreen on its serial port, paced kdsp-sim\n");
    std::printf("  %.1f s after Start: %ld blocks drawn, %.1f blocks/s (the line carries %.1f)\n",
                wall, blocks, blocks / wall, bench::kLineBlocksPerSecond);
    std::printf("  the scope surface was repainted %ld times (%.1f/s)\n", repaints,
                repaints / wall);
    std::printf("  CPU of this process: %.2f s = %.2f %% of one core (target under %.0f %%)\n", cpu,
                cpu / wall * bench::kPercent, kTargetPercent);
    if (blocks > 0)
        std::printf("  %.0f us CPU per block\n", cpu * 1e6 / blocks);
    std::printf("  the simulator used %.2f s of CPU over its whole run\n", simCpu);
    return 0;
}
