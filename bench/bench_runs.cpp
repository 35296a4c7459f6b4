// SPDX-License-Identifier: GPL-3.0-or-later
// What listing the journal of runs costs: a journal of 100 sessions is built in a temporary
// folder, the newest of them holding 1,000 runs and each other one 10, every run with its
// capture file, its listing, its run file and its place in session.json, as the window writes
// them; then `trevalon-cli runs` (the sessions) and `trevalon-cli runs last` (the 1,000 runs)
// are timed, each the best of a few rounds. Never fails on speed.
//
//   bench_runs [--rounds N]

#include "BenchSupport.h"
#include "SyntheticJournal.h"

#include "core/journal/JournalFiles.h"
#include "core/runs/FigureFields.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace {
constexpr int kSessions = 100;
constexpr int kRunsInBigSession = 1000;
constexpr int kRunsInSession = 10;
constexpr int kDefaultRounds = 5;
constexpr double kTargetSeconds = 1.0;
constexpr int kTimeoutMs = 60'000;
const QByteArray kListing(1200, 'r');
const QByteArray kBlocks(24 * 1024, 'b');

bool writeSession(const QDir& root, const QDateTime& start, int runs)
{
    return !bench::writeSyntheticSession(root, start, runs, [](const QDir& folder, int number) {
                QString error;
                return JournalFiles::saveWhole(folder.filePath(JournalFiles::blocksFile(number)),
                                               kBlocks, error) &&
                       JournalFiles::saveWhole(folder.filePath(JournalFiles::listingFile(number)),
                                               kListing, error);
            }).isEmpty();
}

// The best wall time of `rounds` runs of trevalon-cli with the arguments; -1 when one failed.
double bestSeconds(const QStringList& arguments, int rounds, qsizetype& lines)
{
    double best = -1;
    for (int round = 0; round < rounds; ++round) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral(TREVALON_CLI_PATH), arguments);
        if (!process.waitForFinished(kTimeoutMs) || process.exitCode() != 0)
            return -1;
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        lines = process.readAllStandardOutput().count('\n');
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    return best;
}
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QCoreApplication app(argc, argv);
    const int rounds = bench::intOption(argc, argv, "--rounds", kDefaultRounds);
    QTemporaryDir folder;
    const QDir root(folder.path());
    const QDateTime first(QDate(2026, 9, 1), QTime(8, 0));
    for (int s = 0; s < kSessions; ++s) {
        const bool newest = s == kSessions - 1;
        if (!writeSession(root, first.addDays(s), newest ? kRunsInBigSession : kRunsInSession)) {
            std::printf("cannot build the journal in %s\n", qPrintable(folder.path()));
            return 1;
        }
    }
    std::printf("journal of %d sessions (the newest of %d runs, the others of %d), %.1f MiB\n",
                kSessions, kRunsInBigSession, kRunsInSession,
                static_cast<double>(JournalFiles::folderBytes(folder.path())) / (1024.0 * 1024.0));
    qsizetype lines = 0;
    const QStringList journal{QStringLiteral("--journal"), folder.path()};
    const double sessions =
        bestSeconds(QStringList{QStringLiteral("runs")} + journal, rounds, lines);
    std::printf("  runs:       %.3f s, %lld lines (target under %.1f s)\n", sessions,
                static_cast<long long>(lines), kTargetSeconds);
    const double runs = bestSeconds(
        QStringList{QStringLiteral("runs"), QStringLiteral("last")} + journal, rounds, lines);
    std::printf("  runs last:  %.3f s, %lld lines (target under %.1f s)\n", runs,
                static_cast<long long>(lines), kTargetSeconds);
    return sessions < 0 || runs < 0 ? 1 : 0;
}
