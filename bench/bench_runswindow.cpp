// SPDX-License-Identifier: GPL-3.0-or-later
// What opening a long session in the Runs window costs: a session of 1,000 runs (session.json and
// each run's own file, as the window writes them) is built in a temporary folder, and the Runs
// window is opened on it and shown, its table filled: the time from choosing the session until
// the window has painted, the best of a few rounds. Never fails on speed.
//
//   bench_runswindow [--rounds N]

#include "BenchSupport.h"

#include "core/journal/JournalFiles.h"
#include "core/runs/RunsModel.h"
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
constexpr int kFigureSpread = 17;

RunRecord runNumbered(int number, const QDateTime& start)
{
    RunRecord run;
    run.number = number;
    run.start = start.addSecs(number * 20);
    run.end = run.start.addSecs(15);
    run.timeGridMs = 1.909;
    run.blocks = 570;
    run.sent = QStringList{QStringLiteral("P %1").arg(100 + number)};
    RunFigures::Values figures{};
    for (std::size_t i = 0; i < figures.items.size(); ++i) {
        const double value = static_cast<double>(number % kFigureSpread) + double(i) / 3;
        figures.items[i] = {RunFigures::Quantity::of(value), RunFigures::Quantity::of(value - 1),
                            RunFigures::Quantity::of(value + 1)};
    }
    run.figures = figures;
    return run;
}

// The session's folder, or empty when it could not be written.
QString writeSession(const QDir& root, const QDateTime& start)
{
    const QString name = JournalFiles::sessionName(start);
    if (!root.mkpath(name))
        return {};
    const QDir folder(root.filePath(name));
    QJsonArray listed;
    QString error;
    for (int number = 1; number <= kRuns; ++number) {
        const RunRecord run = runNumbered(number, start);
        if (!JournalFiles::saveWhole(folder.filePath(JournalFiles::runFile(number)),
                                     QJsonDocument(JournalFiles::toJson(run, false)).toJson(),
                                     error))
            return {};
        listed.append(JournalFiles::toJson(run, true));
    }
    const QJsonObject session{{QStringLiteral("format"), JournalFiles::kFormat},
                              {QStringLiteral("session"), name},
                              {QStringLiteral("runs"), listed}};
    if (!JournalFiles::saveWhole(folder.filePath(JournalFiles::kSessionFile),
                                 QJsonDocument(session).toJson(), error))
        return {};
    return folder.path();
}

class NoSettings : public SettingsStore
{
public:
    QString getSetting(const QString&, const QString&, const QString&,
                       const QString& defaultValue) const override
    {
        return defaultValue;
    }
    void saveSetting(const QString&, const QString&, const QString&, const QString&) override {}
};
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
    NoSettings settings;
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
    return rows == kRuns ? 0 : 1;
}
