// SPDX-License-Identifier: GPL-3.0-or-later
// `analyse` and `capture --analyse` through trevalon-cli: pass and fail by --fail-if (status 7,
// each condition that held named; 2 for a malformed one), two runs compared in the JSON document,
// the report page self-contained, and the same live on the simulated chip's blocks.

#include "CliRun.h"

#include "core/scope/CsvRows.h"
#include "support/KnownSignals.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr int kBlocks = 6;
const QString kBefore = QStringLiteral("before.csv");
const QString kAfter = QStringLiteral("after.csv");
const QString kReport = QStringLiteral("report.html");
const QStringList kSimulatedMoves{"--moves",      "80", "--damping", "0.25",
                                  "--natural-hz", "30", "--noise",   "1"};

const QString kNeverSettles = QStringLiteral("never.csv");
const QString kCalm = QStringLiteral("calm.csv");
const QString kNoGrid = QStringLiteral("nogrid.csv");

// A run of second-order moves with this damping, one a block, written with this time grid (0:
// the chip's timing was not answered).
QByteArray runOfMoves(double zeta, double naturalHz = 30,
                      double gridMs = KnownSignals::kUsualGridMs)
{
    std::string text = CsvRows::kHeader;
    CsvRows::Maker rows;
    for (int b = 1; b <= kBlocks; ++b) {
        const KnownSignals::Values values = KnownSignals::stepBlock(
            {zeta, naturalHz, 80}, 20 * b, KnownSignals::kUsualGridMs, 1, static_cast<unsigned>(b));
        SampleBlock block;
        for (int i = 0; i < kBlockSize; ++i)
            block.entry[static_cast<std::size_t>(i + 1)] = static_cast<quint8>(values[i]);
        text += rows.rowsOf(b, block, gridMs);
    }
    return QByteArray::fromStdString(text);
}
} // namespace

class TestCliAnalyse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void analyse_data();
    void analyse();
    void twoRunsComparedAndReported();

private:
    QTemporaryDir folder_;
};

void TestCliAnalyse::initTestCase()
{
    QVERIFY(TestFiles::writeFile(folder_.filePath(kBefore), runOfMoves(0.25)));
    QVERIFY(TestFiles::writeFile(folder_.filePath(kAfter), runOfMoves(0.6)));
    QVERIFY(TestFiles::writeFile(folder_.filePath(kNeverSettles), runOfMoves(0.05, 5)));
    QVERIFY(TestFiles::writeFile(folder_.filePath(kCalm), runOfMoves(0.9)));
    QVERIFY(TestFiles::writeFile(folder_.filePath(kNoGrid), runOfMoves(0.25, 30, 0)));
}

void TestCliAnalyse::analyse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // Texts the output must hold, and those it must not.
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QStringList>("notNamed");

    QTest::newRow("a run that meets no condition passes")
        << QStringList{"analyse", kBefore, "--fail-if", "rms>50", "--fail-if", "moves<1"} << 0
        << QStringList{"overshoot_pct"} << QStringList{"FAILED"};
    QTest::newRow("a run fails on each condition that holds, named, and on no other")
        << QStringList{"analyse",   kBefore,      "--fail-if", "overshoot_pct > 25",
                       "--fail-if", "settled>=6", "--fail-if", "rms>50"}
        << 7 << QStringList{"FAILED before.csv: overshoot_pct>25", "FAILED before.csv: settled>=6"}
        << QStringList{"rms>50"};
    QTest::newRow("two runs fail on the one that meets the condition")
        << QStringList{"analyse", kBefore, kAfter, "--json", "--fail-if", "damping_ratio>0.5"} << 7
        << QStringList{"\"condition\":\"damping_ratio>0.5\"", "after.csv"} << QStringList{};
    // A figure without a number reads as what its absence means.
    QTest::newRow("a run whose moves never settle fails a bound on its settle time")
        << QStringList{"analyse",   kNeverSettles,      "--fail-if", "settle_ms>80",
                       "--fail-if", "overshoot_pct>25", "--fail-if", "settle_ms<80"}
        << 7
        << QStringList{"FAILED never.csv: settle_ms>80 (not settled, 0 of 6 moves settled)",
                       "FAILED never.csv: overshoot_pct>25"}
        << QStringList{"settle_ms<80"};
    QTest::newRow("a run with nothing to find meets no condition on what it lacks")
        << QStringList{"analyse",   kCalm,
                       "--fail-if", "ringing_hz>20",
                       "--fail-if", "damping_ratio<0.4",
                       "--fail-if", "frequency_amplitude>3"}
        << 0 << QStringList{"no overshoot beyond the window", "no oscillation stands out"}
        << QStringList{"FAILED"};
    QTest::newRow("a run that cannot be judged fails every condition on what it lacks")
        << QStringList{"analyse",   kNoGrid,          "--fail-if", "settle_ms<1000",
                       "--fail-if", "settle_ms>1000", "--fail-if", "rms>50"}
        << 7
        << QStringList{"FAILED nogrid.csv: settle_ms<1000 (cannot be judged: no time grid",
                       "FAILED nogrid.csv: settle_ms>1000 (cannot be judged: no time grid"}
        << QStringList{"rms>50", "inf", "nan"};
    QTest::newRow("a time grid given for a file without one times its moves")
        << QStringList{"analyse", kNoGrid, "--grid", "1.909", "--fail-if", "settle_ms>1000"} << 0
        << QStringList{"time grid 1.909 ms"} << QStringList{"FAILED", "no time grid"};
    QTest::newRow("three runs side by side with the best of each figure named")
        << QStringList{"analyse", kBefore, kAfter, kCalm, "--json"} << 0
        << QStringList{"\"best\":\"after.csv\"", "\"change\":[0,"} << QStringList{"FAILED"};
    QTest::newRow("more than eight runs is bad usage")
        << (QStringList{"analyse"} << QStringList(9, kBefore)) << 2 << QStringList{"1 to 8 files"}
        << QStringList{"block 1:"};
    QTest::newRow("an unknown figure is bad usage")
        << QStringList{"analyse", kBefore, "--fail-if", "wobble>1"} << 2 << QStringList{"wobble"}
        << QStringList{"block 1:"};
    QTest::newRow("a malformed condition is bad usage")
        << QStringList{"analyse", kBefore, "--fail-if", "rms=>5"} << 2 << QStringList{"rms=>5"}
        << QStringList{};
    // The simulated chip's moves follow a loop damped 0.25: 44 % overshoot in theory.
    QTest::newRow("a live capture of moves fails on what theory says of them, and only that")
        << QStringList{"capture",   "--blocks",          "3",         "--analyse",
                       "--fail-if", "damping_ratio<0.3", "--fail-if", "overshoot_pct>40",
                       "--fail-if", "damping_ratio<0.2", "-o",        "live.csv"}
        << 7
        << QStringList{"FAILED live.csv: damping_ratio<0.3", "FAILED live.csv: overshoot_pct>40"}
        << QStringList{"damping_ratio<0.2"};
}

void TestCliAnalyse::analyse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, named);
    QFETCH(QStringList, notNamed);
    QVERIFY(QDir::setCurrent(folder_.path()));

    const CliResult result = arguments.first() == QLatin1String("capture")
                                 ? runOnNewChip(arguments, kSimulatedMoves).result
                                 : runCli(arguments);
    QCOMPARE(result.status, status);
    const QString output = QString::fromUtf8(result.out + result.err);
    for (const QString& text : named)
        QVERIFY2(output.contains(text), qPrintable(text + QStringLiteral(" not in ") + output));
    for (const QString& text : notNamed)
        QVERIFY2(!output.contains(text), qPrintable(text + QStringLiteral(" in ") + output));
}

void TestCliAnalyse::twoRunsComparedAndReported()
{
    QVERIFY(QDir::setCurrent(folder_.path()));
    const CliResult result = runCli({"analyse", kBefore, kAfter, "--json", "--report", kReport});
    QCOMPARE(result.status, 0);
    const QJsonObject document = QJsonDocument::fromJson(result.out).object();
    const QJsonArray files = document["files"].toArray();
    QCOMPARE(files.size(), 2);
    const QJsonObject before = files[0].toObject();
    QCOMPARE(before["path"].toString(), kBefore);
    QCOMPARE(before["blocks"].toInt(), kBlocks);
    QCOMPARE(before["time_grid_ms"].toDouble(), KnownSignals::kUsualGridMs);
    // One move a block, each with every field; the damped run's moves settle, so its ringing
    // and damping are known.
    const QJsonArray moves = before["moves"].toArray();
    QCOMPARE(moves.size(), kBlocks);
    const QStringList fields{"block",         "start_ms",     "peak",    "peak_ms",
                             "overshoot_pct", "overshoot_ms", "settled", "settle_ms",
                             "ringing_hz",    "damping_ratio"};
    for (const QJsonValue& move : moves)
        QCOMPARE(move.toObject().keys(), [&] {
            QStringList sorted = fields;
            sorted.sort();
            return sorted;
        }());
    QCOMPARE(before["figures"].toObject()["moves"].toInt(), kBlocks);

    // The better damped run settles sooner and overshoots less; a damping ratio is neither
    // better nor worse.
    const QJsonObject compare = document["compare"].toObject();
    for (const char* figure : {"settle_ms", "overshoot_pct", "overshoot_pct_max"})
        QCOMPARE(compare[figure].toObject()["better"].toString(), QStringLiteral("b"));
    const QJsonObject damping = compare["damping_ratio"].toObject();
    QVERIFY(damping["better"].isNull());
    QCOMPARE(damping["change"].toDouble(), damping["b"].toDouble() - damping["a"].toDouble());
    QVERIFY(document["failed"].toArray().isEmpty());

    // One page on its own: three plots, no script, nothing to fetch.
    const QString page = QString::fromUtf8(TestFiles::readAll(kReport));
    QCOMPARE(page.count(QStringLiteral("<svg")), 3);
    QVERIFY(page.contains(kAfter));
    for (const char* outside : {"<script", "src=", "href=", "@import", "url("})
        QVERIFY2(!page.contains(QLatin1String(outside)), outside);
}

QTEST_GUILESS_MAIN(TestCliAnalyse)
#include "tst_cli_analyse.moc"
