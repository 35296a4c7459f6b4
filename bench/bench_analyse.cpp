// SPDX-License-Identifier: GPL-3.0-or-later
// What `trevalon-cli analyse` costs on long recordings, beside `stats` on the same file: wall
// and CPU time and the largest resident memory of each run. A recording of second-order moves
// under noise and a steady tone is written first (one move a block, as a drive on a line does).
//   bench_analyse [--blocks N]...  (default: 46,080 blocks, twenty minutes at the line rate,
//                                   and 138,240, an hour)
// Prints figures; never fails on speed.

#include "core/scope/CsvRows.h"
#include "support/KnownSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {
constexpr long long kTwentyMinutes = 46'080;
constexpr long long kOneHour = 138'240;
constexpr double kKiBPerMiB = 1024;

// The recording, written as the program writes it, one write a block.
bool writeRecording(const QString& path, long long blocks)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    std::fputs(CsvRows::kHeader.c_str(), file);
    CsvRows::Maker rows;
    for (long long b = 1; b <= blocks; ++b) {
        const double zeta = b % 2 ? 0.25 : 0.6;
        const KnownSignals::Values values =
            KnownSignals::stepBlock({zeta, 30, b % 3 ? 80.0 : -80.0}, int(20 + b % 100),
                                    KnownSignals::kUsualGridMs, 1, static_cast<unsigned>(b));
        const KnownSignals::Values tone =
            KnownSignals::toneBlock(3, 37.3, 0.1 * double(b), KnownSignals::kUsualGridMs);
        SampleBlock block;
        for (std::size_t s = 0; s < kBlockSize; ++s)
            block.entry[s + 1] = static_cast<quint8>(std::clamp(values[s] + tone[s] - 128, 0, 255));
        const std::string& text = rows.rowsOf(b, block, KnownSignals::kUsualGridMs);
        std::fwrite(text.data(), 1, text.size(), file);
    }
    return std::fclose(file) == 0;
}

struct Run
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double largestMiB = 0;
    int status = -1;
};

// Runs the program with its output to /dev/null and reads its own resources back.
Run measure(const QStringList& arguments)
{
    std::vector<std::string> words{TREVALON_CLI_PATH};
    for (const QString& a : arguments)
        words.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Run run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.wallSeconds = double(clock.nsecsElapsed()) / 1e9;
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.largestMiB = double(usage.ru_maxrss) / kKiBPerMiB;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

void print(const char* what, const Run& run)
{
    std::printf("  %-16s %7.2f s wall, %7.2f s CPU, %7.1f MiB largest resident (status %d)\n", what,
                run.wallSeconds, run.cpuSeconds, run.largestMiB, run.status);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<long long> counts;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("--blocks"))
            counts.push_back(arguments[i + 1].toLongLong());
    if (counts.empty())
        counts = {kTwentyMinutes, kOneHour};

    QTemporaryDir folder;
    for (const long long blocks : counts) {
        const QString path = folder.filePath(QStringLiteral("recording.csv"));
        if (!writeRecording(path, blocks)) {
            std::fprintf(stderr, "the recording could not be written in %s\n",
                         qPrintable(folder.path()));
            return 1;
        }
        std::printf("%lld blocks (%.1f minutes at the line rate), %.0f MB of CSV\n", blocks,
                    double(blocks) * kBlockSize / (115200.0 / 10) / 60,
                    double(QFile(path).size()) / 1e6);
        const Run stats = measure({QStringLiteral("stats"), path});
        const Run analyse = measure({QStringLiteral("analyse"), path});
        const Run json = measure({QStringLiteral("analyse"), path, QStringLiteral("--json")});
        print("stats", stats);
        print("analyse", analyse);
        print("analyse --json", json);
        std::fflush(stdout);
        std::printf("  analyse takes %.2f times the wall time of stats, %.2f times its CPU\n",
                    analyse.wallSeconds / stats.wallSeconds, analyse.cpuSeconds / stats.cpuSeconds);
        QFile::remove(path);
    }
    return 0;
}
