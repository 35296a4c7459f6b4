// SPDX-License-Identifier: GPL-3.0-or-later
// How long the program takes from launch to its window on screen (offscreen): starts
// `trevalon --startup-probe` ten times with a fresh settings folder and prints, for each run and
// as medians, the time this bench measured from starting the process to reading its report,
// and the time the program itself reports from its launch to the first paint of the window
// (see StartupProbe). The target is under 300 ms. Never fails on speed.
//
//   bench_startup [--runs N]     (default 10)

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {
constexpr int kDefaultRuns = 10;
constexpr int kReportTimeoutMs = 10'000;
constexpr double kTargetMs = 300;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = bench::intOption(argc, argv, "--runs", kDefaultRuns);
    const QRegularExpression report(QStringLiteral("shown after (-?\\d+) ms"));

    std::printf("start-up: %s --startup-probe, offscreen, %d runs\n", TREVALON_PATH, runs);
    std::vector<double> measured;
    std::vector<double> reported;
    for (int run = 1; run <= runs; ++run) {
        QTemporaryDir config;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);

        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(TREVALON_PATH), {QStringLiteral("--startup-probe")});
        QByteArray output;
        while (!output.contains('\n') && program.waitForReadyRead(kReportTimeoutMs))
            output += program.readAllStandardOutput();
        const double wall = clock.nsecsElapsed() / 1e6;
        program.waitForFinished(kReportTimeoutMs);

        const QRegularExpressionMatch match = report.match(QString::fromLatin1(output));
        if (!match.hasMatch()) {
            std::printf("  run %2d: no report (exit %d): %s\n", run, program.exitCode(),
                        output.constData());
            return 1;
        }
        measured.push_back(wall);
        reported.push_back(match.captured(1).toDouble());
        std::printf("  run %2d: %6.1f ms launch to report; the program says %s", run, wall,
                    output.constData());
    }
    std::printf("  median: %.1f ms launch to report, %.0f ms by the program's own count (target "
                "under %.0f ms)\n",
                median(measured), median(reported), kTargetMs);
    return 0;
}
