// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking-error figures and the replay, through trevalon-cli against the simulated chip:
// `capture --stats` and `stats FILE` agree on the same run, also when a crash has torn a block
// after it; `stats` refuses a file that is not a capture at the line at fault, and a capture of
// a replayed recording gives back its values, at the live chip's pace, over again after the
// last block when the capture is the longer.

#include "CliRun.h"
#include "CsvCheck.h"

#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <numeric>

namespace {
constexpr int kBlocks = 3;
constexpr int kReplayBlocks = 60;
// Fewer blocks than the replayed capture takes, and no divisor of it, so the wrap falls inside
// a recording's pass.
constexpr int kShortRecordingBlocks = 25;

// value[block][sample] of a capture's rows, block and sample counted from 1.
QMap<int, QMap<int, int>> valuesOf(const QList<QStringList>& rows)
{
    QMap<int, QMap<int, int>> values;
    for (const QStringList& row : rows)
        values[row[0].toInt()][row[1].toInt()] = row[2].toInt();
    return values;
}
} // namespace

class TestCliFigures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captureStatsAreThoseOfItsFile();
    void figuresOfTheBlocksTakenOutliveALostDevice();
    void statsRefusesWhatIsNoCapture();
    void captureOfAReplayGivesBackTheRecording_data();
    void captureOfAReplayGivesBackTheRecording();
};

void TestCliFigures::captureStatsAreThoseOfItsFile()
{
    QTemporaryDir folder;
    const QString csvPath = folder.filePath("run.csv");
    const ChipRun run =
        runOnNewChip({"capture", "--blocks", QString::number(kBlocks), "--stats", "-o", csvPath});
    QVERIFY(run.chip);
    const CliResult& capture = run.result;
    QCOMPARE(capture.status, 0);
    QVERIFY(capture.out.isEmpty());
    const QList<int> counts = rowsPerBlock(csvRows(TestFiles::readAll(csvPath)));
    QCOMPARE(counts.size(), kBlocks);
    const int samples = std::accumulate(counts.begin(), counts.end(), 0);

    // A line for each block and one for the run, the same from the file as from the capture.
    const CliResult stats = runCli({"stats", csvPath});
    QCOMPARE(stats.status, 0);
    QCOMPARE(stats.out, capture.err);
    QCOMPARE(stats.out.count('\n'), kBlocks + 1);
    QVERIFY(stats.out.contains("run of 3 blocks: " + QByteArray::number(samples) + " samples"));

    // The same file as a crash leaves it, a fourth block torn by the kill, in JSON: the same
    // blocks, and one line on standard error and a key in the JSON name the torn block's line.
    const QString tornPath = folder.filePath("torn.csv");
    QVERIFY(TestFiles::writeFile(tornPath, TestFiles::readAll(csvPath) + "4,1,130,0,2\n4,2,1"));
    const CliResult torn = runCli({"stats", tornPath, "--json"});
    QCOMPARE(torn.status, 0);
    QCOMPARE(torn.err.count('\n'), 1);
    QVERIFY2(torn.err.contains("from line " + QByteArray::number(samples + 2) + " on"),
             torn.err.constData());
    const QJsonObject json = QJsonDocument::fromJson(torn.out).object();
    QCOMPARE(json["incomplete_tail_from_line"].toInt(), samples + 2);
    QCOMPARE(json["blocks"].toArray().size(), kBlocks);
    QCOMPARE(json["blocks"][2]["figures"]["samples"].toInt(), counts[2]);
    QCOMPARE(json["run"]["figures"]["samples"].toInt(), samples);
}

void TestCliFigures::figuresOfTheBlocksTakenOutliveALostDevice()
{
    // The device goes after two blocks of the five asked for.
    const ChipRun run =
        runOnNewChip({"capture", "--blocks", "5", "--stats"}, {"--vanish-after", "2"});
    QVERIFY(run.chip);
    const CliResult& capture = run.result;
    QCOMPARE(capture.status, 5);
    // The reader may miss the second block (it flushes after each), so count what came.
    const QList<int> counts = rowsPerBlock(csvRows(capture.out));
    QVERIFY(!counts.isEmpty());
    const QByteArray blocks = QByteArray::number(counts.size());
    const QByteArray samples = QByteArray::number(std::accumulate(counts.begin(), counts.end(), 0));
    QVERIFY2(capture.err.contains("block " + blocks + ": ") &&
                 capture.err.contains("run of " + blocks + " blocks: " + samples + " samples"),
             capture.err.constData());
}

void TestCliFigures::statsRefusesWhatIsNoCapture()
{
    // Only a recording's last block may be torn, by the crash that ended it.
    QTemporaryDir folder;
    const QString path = folder.filePath("not-a-capture.csv");
    QVERIFY(TestFiles::writeFile(
        path, "block,sample,value,time_ms,level\n1,1,128,0,0\n1,2,130,1.91,2\n2,1,1,0,-127\n"));
    const CliResult result = runCli({"stats", path});
    QCOMPARE(result.status, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.contains(QFile::encodeName(path) + ": line 4:"), result.err.constData());
}

void TestCliFigures::captureOfAReplayGivesBackTheRecording_data()
{
    QTest::addColumn<int>("recordedBlocks");
    QTest::newRow("a recording as long as the capture") << kReplayBlocks;
    QTest::newRow("a recording shorter than the capture starts again from its first block")
        << kShortRecordingBlocks;
}

void TestCliFigures::captureOfAReplayGivesBackTheRecording()
{
    // At the live chip's pace, both through --demo in the same run, so that the machine's load
    // weighs on both alike.
    QFETCH(int, recordedBlocks);
    QTemporaryDir folder;
    const QString recorded = folder.filePath("recorded.csv");
    const QString live = folder.filePath("live.csv");
    const QString replayed = folder.filePath("replayed.csv");
    const QString blocks = QString::number(kReplayBlocks);
    QElapsedTimer clock;
    const auto timed = [&clock](const QStringList& arguments) {
        return untilAnswered([&] {
            clock.start();
            return runCli(arguments);
        });
    };
    const QString liveFile = recordedBlocks == kReplayBlocks ? recorded : live;
    QCOMPARE(
        timed({"--demo", "--sim-args", "--seed 7", "capture", "--blocks", blocks, "-o", liveFile})
            .status,
        0);
    const qint64 liveMs = clock.elapsed();
    if (liveFile != recorded) {
        QCOMPARE(runCli({"--demo", "--sim-args", "--seed 7", "capture", "--blocks",
                         QString::number(recordedBlocks), "-o", recorded})
                     .status,
                 0);
    }
    QCOMPARE(timed({"--demo", "--replay", recorded, "capture", "--blocks", blocks, "-o", replayed})
                 .status,
             0);
    const qint64 replayMs = clock.elapsed();
    QVERIFY2(replayMs <= 1.25 * static_cast<double>(liveMs),
             qPrintable(QStringLiteral("replay %1 ms, live %2 ms").arg(replayMs).arg(liveMs)));

    const QMap<int, QMap<int, int>> before = valuesOf(csvRows(TestFiles::readAll(recorded)));
    const QMap<int, QMap<int, int>> after = valuesOf(csvRows(TestFiles::readAll(replayed)));
    QCOMPARE(before.size(), recordedBlocks);
    QCOMPARE(after.size(), kReplayBlocks);
    // Block for block the same values, the recording over again after its last block; a sample
    // the capture threshold left out of either run (at most the last) is the only one not
    // compared.
    for (int block = 1; block <= kReplayBlocks; ++block) {
        const QMap<int, int>& sent = before[(block - 1) % recordedBlocks + 1];
        int compared = 0;
        for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
            if (!after[block].contains(it.key()))
                continue;
            QCOMPARE(after[block][it.key()], it.value());
            ++compared;
        }
        QVERIFY(compared >= kFewestRowsPerBlock - 1);
    }
}

QTEST_GUILESS_MAIN(TestCliFigures)
#include "tst_cli_figures.moc"
