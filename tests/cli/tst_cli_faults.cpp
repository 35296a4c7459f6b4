// SPDX-License-Identifier: GPL-3.0-or-later
// trevalon-cli's faults, each from a real cause, against the simulated chip on a pseudo-terminal:
// every one ends with its exit status and the window's one-line reason on standard error; a
// capture ended by a signal leaves whole rows and the chip stopped; a line that never falls quiet
// does not keep the program waiting for ever.

#include "CliRun.h"
#include "CsvCheck.h"

#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <csignal>

class TestCliFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveThatFailsEndsWithStatus5();
    void faultsEndWithTheirStatus_data();
    void faultsEndWithTheirStatus();
    void busyPortEndsWithStatus4();
    void lineThatNeverFallsQuietEndsTheWait();
    void signalEndsCaptureWithCompleteCsvAndStop_data();
    void signalEndsCaptureWithCompleteCsvAndStop();
};

void TestCliFaults::saveThatFailsEndsWithStatus5()
{
    LoggedChip chip;
    QVERIFY(chip.start());
    QTemporaryDir folder;
    const CliResult result =
        runCli(onChip(chip, {"special", "-o", folder.filePath("no-such-folder/Setup.txt")}));
    QCOMPARE(result.status, 5);
    // The window's box for the failure, as one line.
    QVERIFY2(result.err.contains("trevalon-cli: Eror in File funktions ! Error Code:"),
             result.err.constData());
}


void TestCliFaults::faultsEndWithTheirStatus_data()
{
    QTest::addColumn<QStringList>("simulator"); // "none": no chip at the device
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");

    const QStringList none{"none"};
    const QStringList mute{"--mute"};
    // A port failure is one line: the window's box for it, if any, and the port's reason.
    QTest::newRow("no device: 3")
        << none << QStringList{"registers"} << 3
        << QByteArray("trevalon-cli: Invalid Port Number! Please select anothert! Comm 250 (");
    QTest::newRow("vanishing device during capture: 5")
        << QStringList{"--vanish-after", "2"} << QStringList{"capture", "--blocks", "100"} << 5
        << QByteArray("trevalon-cli: Comm 250 (");
    QTest::newRow("mute chip, timing: 6") << mute << QStringList{"timing"} << 6
                                          << QByteArray("did not answer the timing query");
    QTest::newRow("mute chip, listing: 6") << mute << QStringList{"fuses"} << 6
                                           << QByteArray("the chip sent no listing");
    QTest::newRow("mute chip, send: 6") << mute << QStringList{"send", "s"} << 6
                                        << QByteArray("the chip did not answer");
    QTest::newRow("mute chip, option: 6") << mute << QStringList{"option", "pwm-dc"} << 6
                                          << QByteArray("the chip did not answer");
    QTest::newRow("mute chip, capture: 6") << mute << QStringList{"capture"} << 6
                                           << QByteArray("did not answer the timing query");
}


void TestCliFaults::faultsEndWithTheirStatus()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, command);
    QFETCH(int, status);
    QFETCH(QByteArray, reason);

    QTemporaryDir empty;
    CliResult result;
    if (simulator == QStringList{"none"}) {
        result =
            runCli(QStringList{"--port", kCliPort, "--device", empty.filePath("kdsp")} + command);
    } else {
        // A capture that should meet the vanishing device must first have the chip's answer.
        const ChipRun run =
            runOnNewChip(command, simulator, status == ExitStatus::kNoAnswer ? 1 : kAnswerAttempts);
        QVERIFY(run.chip);
        result = run.result;
    }
    QCOMPARE(result.status, status);
    QVERIFY2(result.err.contains(reason), result.err.constData());
    if (command.first() == QLatin1String("capture") && status == 5) {
        // What came before the device went is there in whole blocks (a block still in the
        // line as it went may be lost with it).
        const QList<int> counts = rowsPerBlock(csvRows(result.out));
        QVERIFY(counts.size() <= 2);
        QVERIFY(blocksWhole(counts));
    }
}


void TestCliFaults::busyPortEndsWithStatus4()
{
    LoggedChip chip;
    QVERIFY(chip.start());
    QSerialPort holder(chip.link());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    const CliResult result = runCli(onChip(chip, {"timing"}));
    QCOMPARE(result.status, 4);
    QVERIFY2(result.err.startsWith("trevalon-cli: This Port Used! Please select anothert! "
                                   "Comm 250 (") &&
                 result.err.count('\n') == 1,
             result.err.constData());
    // Nothing reached the chip.
    QCOMPARE(chip.received(), QByteArray());
}


void TestCliFaults::lineThatNeverFallsQuietEndsTheWait()
{
    // A typed command that starts the scope: blocks pour into the console without a pause.
    LoggedChip chip;
    QVERIFY(chip.start());
    QElapsedTimer clock;
    clock.start();
    // The blocks follow one another without a gap near a second, even on a busy machine.
    const CliResult result = runCli(onChip(chip, {"send", "J1000", "--quiet-ms", "1000"}));
    QCOMPARE(result.status, 0);
    QVERIFY(clock.elapsed() < 3 * 10'000);
    QVERIFY(result.out.size() > 1000);
    QVERIFY2(result.err.contains("the chip was still sending after 10000 ms"),
             result.err.constData());
}


void TestCliFaults::signalEndsCaptureWithCompleteCsvAndStop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl-C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}


void TestCliFaults::signalEndsCaptureWithCompleteCsvAndStop()
{
    QFETCH(int, signalNumber);
    constexpr int kBlocksBeforeSignal = 3;
    constexpr int kBlocksTimeoutMs = 20'000;
    QTemporaryDir folder;
    const QString csvPath = folder.filePath("blocks.csv");
    const ChipRun run = onNewChipUntilAnswered({}, [&](LoggedChip& chip) {
        CliProgram program;
        program.start(onChip(chip, {"capture", "--blocks", "1000", "-o", csvPath}));
        if (!program.process().waitForStarted())
            return CliResult{};
        // Some blocks in, then the signal; 1000 blocks would take half a minute. A run that got
        // no answer has ended by itself.
        QElapsedTimer clock;
        clock.start();
        while (program.process().state() != QProcess::NotRunning &&
               rowsPerBlock(csvRows(TestFiles::readAll(csvPath))).size() < kBlocksBeforeSignal &&
               clock.elapsed() < kBlocksTimeoutMs)
            QTest::qWait(50);
        if (program.process().state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(program.process().processId()), signalNumber);
        return program.finish();
    });
    QVERIFY(run.chip);
    const CliResult& result = run.result;
    QCOMPARE(result.status, 0);

    const QList<int> counts = rowsPerBlock(csvRows(TestFiles::readAll(csvPath)));
    QVERIFY(counts.size() >= kBlocksBeforeSignal);
    QVERIFY(counts.size() < 1000);
    QVERIFY(blocksWhole(counts));
    // Stop's command is the last the chip received.
    QTRY_VERIFY_WITH_TIMEOUT(run.chip->received().endsWith("J1000\rq\r"), 3000);
}


QTEST_GUILESS_MAIN(TestCliFaults)
#include "tst_cli_faults.moc"
