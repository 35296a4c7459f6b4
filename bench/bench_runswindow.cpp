// SPDX-License-Identifier: GPL-3.0-or-later
// What opening a long session in the Runs window costs: a session of 1,000 runs (session.json and
// each run's own file, as the window writes them) is built in a temporary folder, and the Runs
// window is opened on it and shown, its table filled: the time from choosing the session until
// the window has painted, the best of a few rounds. Then the plots' redraw when runs are chosen:
// the first and the last eight runs have their blocks on disk (570 blocks of second-order moves
// each, a 15-second run). Choosing two, then eight, of the last runs (read ahead while the window
// is shown) is timed from the choice until painted; then two and eight of the first runs, whose
// files are read when chosen, until their plots are painted; then the first again, kept. Never
// fails on speed.
//
//   bench_runswindow [--rounds N]

#include "BenchSupport.h"
#include "SyntheticJournal.h"

#include "core/journal/JournalFiles.h"
#include "core/runs/RunsModel.h"
#include "core/scope/CsvRows.h"
#include "report/RunAnalyses.h"
#include "support/KnownSignals.h"
#include "window/RunsComparison.h"
#include "window/RunsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTableView>

namespace {
constexpr int kRuns = 1000;
constexpr int kDefaultRounds = 5;
constexpr double kTargetSeconds = 1.0;
constexpr int kRunsWithBlocks = 8;
constexpr int kBlocksARun = 570;
constexpr double kTargetRedrawSeconds = 0.1;

// A run's blocks as the journal keeps them (the reader knows the CSV by its content).
bool writeBlocks(const QString& path, int run)
{
    std::string text = CsvRows::kHeader;
    CsvRows::Maker rows;
    for (int b = 1; b <= kBlocksARun; ++b) {
        const KnownSignals::Values values =
            KnownSignals::stepBlock({0.2 + 0.05 * run, 30, b % 2 ? 80.0 : -80.0}, 20 + b % 50,
                                    KnownSignals::kUsualGridMs, 1, static_cast<unsigned>(b));
        SampleBlock block;
        for (std::size_t s = 0; s < kBlockSize; ++s)
            block.entry[s + 1] = static_cast<quint8>(values[s]);
        text += rows.rowsOf(b, block, KnownSignals::kUsualGridMs);
    }
    QString error;
    return JournalFiles::saveWhole(path, QByteArray::fromStdString(text), error);
}

// The session's folder, or empty when it could not be written.
QString writeSession(const QDir& root, const QDateTime& start)
{
    return bench::writeSyntheticSession(root, start, kRuns, [](const QDir& folder, int number) {
        return (number > kRunsWithBlocks && number <= kRuns - kRunsWithBlocks) ||
               writeBlocks(folder.filePath(JournalFiles::blocksFile(number)), number);
    });
}

} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QApplication app(argc, argv);
    const int rounds = bench::intOption(argc, argv, "--rounds", kDefaultRounds);
    QTemporaryDir root;
    const QString folder =
        writeSession(QDir(root.path()), QDateTime(QDate(2026, 9, 1), QTime(8, 0)));
    if (folder.isEmpty()) {
        std::printf("cannot build the session in %s\n", qPrintable(root.path()));
        return 1;
    }
    bench::NoSettings settings;
    RunsModel live;
    double best = -1;
    int rows = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        RunsWindow window({&live, root.path(), [] { return QString(); }}, settings);
        QComboBox* chooser = window.sessionChooser();
        const int earlier = chooser->findData(folder);
        if (earlier < 0) {
            std::printf("the session is not offered\n");
            return 1;
        }
        chooser->setCurrentIndex(earlier);
        Q_EMIT chooser->activated(earlier);
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        rows = window.table()->model()->rowCount();
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    std::printf("a session of %d runs in the Runs window: %.3f s, %d rows (target under %.1f s)\n",
                kRuns, best, rows, kTargetSeconds);

    // The plots' redraw as runs are chosen, the first time and again.
    RunsWindow window({&live, root.path(), [] { return QString(); }}, settings);
    QComboBox* chooser = window.sessionChooser();
    chooser->setCurrentIndex(chooser->findData(folder));
    Q_EMIT chooser->activated(chooser->currentIndex());
    window.show();
    QCoreApplication::processEvents();
    QElapsedTimer aheadClock;
    aheadClock.start();
    while (!window.analyses().idle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents();
    const double aheadSeconds = static_cast<double>(aheadClock.nsecsElapsed()) / 1e9;
    // From the choice until the plots of the chosen runs are painted.
    const auto choose = [&window](const QList<int>& numbers) {
        QElapsedTimer clock;
        clock.start();
        window.selectRuns(numbers);
        while (window.comparison()->reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        window.repaint();
        QCoreApplication::processEvents();
        return static_cast<double>(clock.nsecsElapsed()) / 1e9;
    };
    QList<int> first;
    QList<int> last;
    for (int r = 1; r <= kRunsWithBlocks; ++r) {
        first << r;
        last << kRuns - kRunsWithBlocks + r;
    }
    const double twoAhead = choose(last.mid(0, 2));
    const double eightAhead = choose(last);
    const double twoFirst = choose(first.mid(0, 2));
    const double eightFirst = choose(first);
    const double eightAgain = choose(first);
    std::printf("the last %d runs read ahead in %.3f s after the window is shown\n",
                kRunsWithBlocks, aheadSeconds);
    std::printf("choosing runs of %d blocks: two %.3f s, eight %.3f s among those read ahead; two "
                "%.3f s, eight %.3f s read from their files when chosen; eight again %.3f s "
                "(target under %.1f s)\n",
                kBlocksARun, twoAhead, eightAhead, twoFirst, eightFirst, eightAgain,
                kTargetRedrawSeconds);
    return rows == kRuns ? 0 : 1;
}
