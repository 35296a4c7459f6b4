// SPDX-License-Identifier: GPL-3.0-or-later
// What recordings cost and weigh: a recording of the simulated chip's servo signal (timing
// digit 4, 1.909 ms a sample) is written block by block as the window's --record writes it, as
// CSV and as .csv.gz; prints the CPU a block took, as a share of one core at the line rate
// (38.4 blocks a second), the files' sizes, and the resident memory and time of `trevalon-cli
// stats` on each (and with --json), beside the same for a one-minute recording: a command that
// streams needs as much memory for an hour as for a minute. Never fails on speed or size.
//
//   bench_recording [--blocks N] [--folder DIR] [--keep]
//
// --blocks: the recording's length (default 138240, one hour at the line rate); --folder: where
// the files go (default a temporary folder); --keep: leave them there for other measures.

#include "BenchSupport.h"

#include "KdspProtocol.h"
#include "ServoSignal.h"
#include "capture/CaptureOutput.h"
#include "core/scope/CsvRows.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {
constexpr int kHourOfBlocks = 138240;
constexpr int kMinuteOfBlocks = 2304;
constexpr int kTimingDigit = 4;
constexpr double kTimeGrid = kTimingDigit * 0.47725;
constexpr std::chrono::nanoseconds kSamplePeriod = kTimingDigit * kdsp::kSamplePeriodPerDigit;
constexpr std::uint64_t kSeed = 1;
// What recording may add to the window at the line rate, in % of one core.
constexpr double kTargetCsvPercent = 0.3;
constexpr double kTargetGzipPercent = 0.6;
constexpr double kBytesPerMiB = 1024.0 * 1024.0;

struct Written
{
    double cpuSeconds = 0;
    qint64 bytes = 0;
};

// Writes `blocks` blocks of the simulated signal to `path`; the CPU counts the rows' making and
// writing only, not the signal's simulation.
Written writeRecording(const QString& path, int blocks)
{
    kdsp::ServoSignal signal(kSeed, kSamplePeriod);
    std::string error;
    auto output = CaptureCsv::CaptureOutput::create(path.toStdString(), error);
    if (!output) {
        std::printf("  cannot write %s: %s\n", qPrintable(path), error.c_str());
        return {};
    }
    CsvRows::Maker rows;
    Written written;
    output->write(CsvRows::kHeader);
    SampleBlock block;
    for (int number = 1; number <= blocks; ++number) {
        for (int s = 1; s <= kBlockSize; ++s)
            block.entry[static_cast<std::size_t>(s)] = signal.next();
        const double before = bench::cpuSeconds();
        output->write(rows.rowsOf(number, block, kTimeGrid));
        written.cpuSeconds += bench::cpuSeconds() - before;
    }
    output.reset();
    written.bytes = QFileInfo(path).size();
    return written;
}

struct Run
{
    long maxResidentKiB = -1;
    double seconds = 0;
};

// Runs trevalon-cli with `arguments`, its output thrown away; its peak resident memory and its
// CPU time, from the kernel's account of the child.
Run runCli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), TREVALON_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    Run run;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        run.maxResidentKiB = usage.ru_maxrss;
        run.seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                      usage.ru_stime.tv_usec / 1e6;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

void printStats(const QString& path)
{
    for (const bool json : {false, true}) {
        std::vector<std::string> arguments{"stats", path.toStdString()};
        if (json)
            arguments.emplace_back("--json");
        const Run run = runCli(arguments);
        std::printf("    stats%s: %.1f MiB resident at most, %.2f s CPU\n", json ? " --json" : "",
                    run.maxResidentKiB / bench::kKiBPerMiB, run.seconds);
    }
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int blocks = bench::intOption(argc, argv, "--blocks", kHourOfBlocks);
    QTemporaryDir temporary;
    const QString folder = bench::stringOption(argc, argv, "--folder", temporary.path());
    temporary.setAutoRemove(!QCoreApplication::arguments().contains(QStringLiteral("--keep")));

    std::printf("recordings of the simulated servo signal, %d blocks (%.1f minutes at the line "
                "rate), in %s\n",
                blocks, blocks / bench::kLineBlocksPerSecond / 60, qPrintable(folder));
    qint64 csvBytes = 0;
    for (const auto& [name, target] : {std::pair{"recording.csv", kTargetCsvPercent},
                                       std::pair{"recording.csv.gz", kTargetGzipPercent}}) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        const Written written = writeRecording(path, blocks);
        const double perBlock = written.cpuSeconds / blocks;
        std::printf("  %s: %.1f MiB", name, written.bytes / kBytesPerMiB);
        if (csvBytes > 0)
            std::printf(", %.3f of the CSV's size (target at most 0.333)",
                        static_cast<double>(written.bytes) / static_cast<double>(csvBytes));
        std::printf("\n    %.1f us CPU a block = %.3f %% of one core at the line rate (target at "
                    "most %.1f %%)\n",
                    perBlock * 1e6, perBlock * bench::kLineBlocksPerSecond * bench::kPercent,
                    target);
        csvBytes = csvBytes == 0 ? written.bytes : csvBytes;
        printStats(path);
    }
    const QString minute = folder + QStringLiteral("/minute.csv");
    writeRecording(minute, kMinuteOfBlocks);
    std::printf("  a minute's recording, minute.csv (%d blocks), for comparison\n",
                kMinuteOfBlocks);
    printStats(minute);
    return 0;
}
