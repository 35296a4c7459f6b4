// trevalon-cli as a user runs it, against the simulated chip on a pseudo-terminal: each
// sub-command puts on the line exactly what its control does in the window (the same handler run
// on the fake port gives the bytes to expect), prints the readouts and listings as the window
// shows them, saves the setup file byte for byte as the window's Save does, writes CSV rows that
// agree with the pointer readouts, ends a capture cleanly on a signal, and tells every fault by
// its exit status.

#include "CliRun.h"

#include "core/TextRules.h"
#include "core/console/Console.h"
#include "core/console/Listings.h"
#include "core/console/SetupFile.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "core/scope/ScopeControl.h"
#include "support/CoreFixture.h"
#include "support/TestFiles.h"

#include <QSerialPort>

#include <algorithm>
#include <csignal>
#include <functional>

namespace {
using Control = std::function<void(Core&)>;

// What the control's handler writes, run on the fake port of a loaded core.
QByteArray bytesOf(const Control& control)
{
    CoreFixture f;
    control(f.core);
    return f.comm.written();
}

const QByteArray kTimingDigit4Text = "time grid 1.91 ms\nPID frequency 2619.17 Hz\n";
const QByteArray kTimingDigit7Json = "{\"time_grid_ms\": 3.34075, \"pid_frequency_hz\": 1496.67}\n";
constexpr int kRowsPerBlock = 300;
// A block is read once 299 of its bytes wait (the capture threshold), so its last sample may be
// missing when the dispatch came early; the rows then end one short.
constexpr int kFewestRowsPerBlock = 299;
constexpr int kColumns = 5;
constexpr double kGridDigit4 = 1.909;

// The CSV's data rows split into columns; fails the test on a malformed row.
QList<QStringList> csvRows(const QByteArray& csv)
{
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'));
    if (lines.first() != QLatin1String("block,sample,value,time_ms,level") || !lines.last().isEmpty())
        return {}; // no header, or a last row cut short
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        rows << lines[i].split(QLatin1Char(','));
    return rows;
}

// How many rows each block has, in block order, if the rows are well formed: five columns,
// blocks numbered 1, 2, ... and each block's samples numbered 1, 2, ... without a gap. Empty
// otherwise.
QList<int> rowsPerBlock(const QList<QStringList>& rows)
{
    QList<int> counts;
    for (const QStringList& row : rows) {
        if (row.size() != kColumns)
            return {};
        const int block = row[0].toInt();
        const int sample = row[1].toInt();
        if (block == counts.size() + 1 && sample == 1)
            counts << 1;
        else if (block == counts.size() && sample == counts.last() + 1)
            ++counts.last();
        else
            return {};
    }
    return counts;
}

// Every block whole, up to the sample the capture threshold may leave out.
bool blocksWhole(const QList<int>& counts)
{
    return std::all_of(counts.begin(), counts.end(), [](int n) {
        return n >= kFewestRowsPerBlock && n <= kRowsPerBlock;
    });
}
} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachCommandSendsItsControlsBytes_data();
    void eachCommandSendsItsControlsBytes();
    void timingPrintsTheReadouts_data();
    void timingPrintsTheReadouts();
    void captureRowsAgreeWithTheReadouts();
    void savedListingIsTheWindowsSetupFile();
    void saveThatFailsEndsWithStatus5();
    void faultsEndWithTheirStatus_data();
    void faultsEndWithTheirStatus();
    void busyPortEndsWithStatus4();
    void lineThatNeverFallsQuietEndsTheWait();
    void signalEndsCaptureWithCompleteCsvAndStop_data();
    void signalEndsCaptureWithCompleteCsvAndStop();
    void helpAndUsage();
};

void TestCli::eachCommandSendsItsControlsBytes_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<Control>("control");

    QTest::newRow("timing: Detect") << QStringList{"timing"}
                                    << Control([](Core& c) { c.pidDetect().PID_Click(); });
    QTest::newRow("registers: Registers") << QStringList{"registers"}
                                          << Control([](Core& c) { c.listings().Command1_Click(); });
    QTest::newRow("special: Special") << QStringList{"special"}
                                      << Control([](Core& c) { c.listings().Spec_Click(); });
    QTest::newRow("fuses: State of Fuses") << QStringList{"fuses"}
                                           << Control([](Core& c) { c.listings().SF_Click(); });
    QTest::newRow("option thermo-100: TP100") << QStringList{"option", "thermo-100"}
                                              << Control([](Core& c) { c.options().TP100_Click(); });
    QTest::newRow("option pwm-ac: ACM") << QStringList{"option", "pwm-ac"}
                                        << Control([](Core& c) { c.options().ACM_Click(); });
    QTest::newRow("send: Enter in the command line")
        << QStringList{"send", "s"}
        << Control([](Core& c) { c.console().Command_KeyPress(Console::kEnterKey, "s"); });
    QTest::newRow("capture: Start, then Stop") << QStringList{"capture", "--blocks", "2"}
                                               << Control([](Core& c) {
                                                      c.scope().Be_Click();
                                                      c.scope().Ki_Click();
                                                  });
    QTest::newRow("capture on: Triger on, then Stop")
        << QStringList{"capture", "--trigger", "on"} << Control([](Core& c) {
               c.scope().Triger_be_Click();
               c.scope().Ki_Click();
           });
    QTest::newRow("capture off: Triger off, then Stop")
        << QStringList{"capture", "--trigger", "off"} << Control([](Core& c) {
               c.scope().Triger_ki_Click();
               c.scope().Ki_Click();
           });
}

void TestCli::eachCommandSendsItsControlsBytes()
{
    QFETCH(QStringList, command);
    QFETCH(Control, control);
    const QByteArray expected = bytesOf(control);
    QVERIFY(!expected.isEmpty());

    LoggedChip chip;
    QVERIFY(chip.start());
    const CliResult result = runCli(onChip(chip, command));
    QCOMPARE(result.status, 0);
    QVERIFY2(!result.out.isEmpty(), result.err.constData());
    // The chip logs what it read once it has read it; the last command may still be on its way.
    QTRY_COMPARE_WITH_TIMEOUT(chip.received(), expected, 3000);
}

void TestCli::timingPrintsTheReadouts_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("the window's texts") << QStringList{} << QStringList{} << kTimingDigit4Text;
    QTest::newRow("JSON, digit 7") << QStringList{"--timing-digit", "7"} << QStringList{"--json"}
                                   << kTimingDigit7Json;
}

void TestCli::timingPrintsTheReadouts()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    LoggedChip chip;
    QVERIFY(chip.start(simulator));
    const CliResult result = runCli(onChip(chip, QStringList{"timing"} + options));
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, expected);
}

void TestCli::captureRowsAgreeWithTheReadouts()
{
    constexpr int kBlocks = 3;
    LoggedChip chip;
    QVERIFY(chip.start());
    QTemporaryDir folder;
    const QString csvPath = folder.filePath("blocks.csv");
    const CliResult result =
        runCli(onChip(chip, {"capture", "--blocks", QString::number(kBlocks), "-o", csvPath}));
    QCOMPARE(result.status, 0);
    QVERIFY(result.out.isEmpty()); // the rows went to the file

    const QList<QStringList> rows = csvRows(TestFiles::readAll(csvPath));
    // The simulator loses no byte unless told to: the blocks asked for, each whole.
    const QList<int> counts = rowsPerBlock(rows);
    QCOMPARE(counts.size(), kBlocks);
    QVERIFY(blocksWhole(counts));

    // The window's own readouts over each sample, with the grid the chip answered.
    CoreFixture window;
    window.core.state.timeGrid = kGridDigit4;
    for (const QStringList& row : rows) {
        const int sample = row[1].toInt();
        bool isNumber = false;
        const int value = row[2].toInt(&isNumber);
        QVERIFY(isNumber && value >= 0 && value <= 255);
        // The pointer over the sample where the window draws it.
        window.core.markers().Rajz_MouseMove(0, 0, 2.0f * sample, 511.0f - 2.0f * value);
        const QString shownTime = window.core.readout(Readout::Time);
        QCOMPARE(row[3].toDouble(), TextRules::leadingNumber(shownTime));
        QVERIFY2(!row[3].startsWith('.') && !row[3].endsWith('.'), qPrintable(row[3]));
        QCOMPARE(row[4], window.core.readout(Readout::Level));
        QCOMPARE(row[4].toInt(), value - 128);
    }
}

void TestCli::savedListingIsTheWindowsSetupFile()
{
    LoggedChip chip;
    QVERIFY(chip.start());
    QTemporaryDir folder;
    const QString saved = folder.filePath("Setup.txt");
    // An existing file is replaced, as when the window's overwrite question is answered OK.
    QVERIFY(TestFiles::writeFile(saved, "old contents that are longer than nothing"));
    const CliResult printed = runCli(onChip(chip, {"registers"}));
    const CliResult save = runCli(onChip(chip, {"registers", "-o", saved}));
    QCOMPARE(printed.status, 0);
    QCOMPARE(save.status, 0);
    QVERIFY(save.out.isEmpty());
    QVERIFY(printed.out.startsWith("KDSP register listing\n"));
    QVERIFY(!printed.out.contains('\r'));

    // The window's Save on a console holding the same text. Printing ended the text with a line
    // break of its own, as the file does.
    QByteArray consoleText = printed.out.chopped(1);
    consoleText.replace("\n", "\r\n");
    CoreFixture window;
    window.core.appendToConsole(QString::fromLatin1(consoleText));
    const QString fromWindow = folder.filePath("window.txt");
    window.dialogs.chosenFiles.enqueue(fromWindow);
    window.core.setupFile().Ment_Click();
    const QByteArray windowBytes = TestFiles::readAll(fromWindow);
    QVERIFY(windowBytes.contains("\r\n"));
    QCOMPARE(TestFiles::readAll(saved), windowBytes);
    // Written through a temporary file that is gone again.
    QCOMPARE(TestFiles::entries(folder.path()), QStringList({"Setup.txt", "window.txt"}));
}

void TestCli::saveThatFailsEndsWithStatus5()
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

void TestCli::faultsEndWithTheirStatus_data()
{
    QTest::addColumn<QStringList>("simulator"); // "none": no chip at the device
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");

    const QStringList none{"none"};
    const QStringList mute{"--mute"};
    QTest::newRow("no device: 3") << none << QStringList{"registers"} << 3
                                  << QByteArray("Invalid Port Number! Please select anothert!");
    QTest::newRow("vanishing device during capture: 5")
        << QStringList{"--vanish-after", "2"} << QStringList{"capture", "--blocks", "100"} << 5
        << QByteArray("trevalon: Comm 250 (");
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

void TestCli::faultsEndWithTheirStatus()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, command);
    QFETCH(int, status);
    QFETCH(QByteArray, reason);

    LoggedChip chip;
    QTemporaryDir empty;
    QStringList arguments{"--port", kCliPort, "--device"};
    if (simulator == QStringList{"none"}) {
        arguments << empty.filePath("kdsp");
    } else {
        QVERIFY(chip.start(simulator));
        arguments << chip.link();
    }
    const CliResult result = runCli(arguments + command);
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

void TestCli::busyPortEndsWithStatus4()
{
    LoggedChip chip;
    QVERIFY(chip.start());
    QSerialPort holder(chip.link());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    const CliResult result = runCli(onChip(chip, {"timing"}));
    QCOMPARE(result.status, 4);
    QVERIFY2(result.err.contains("This Port Used! Please select anothert!"), result.err.constData());
    QVERIFY2(result.err.contains("trevalon: Comm 250 ("), result.err.constData());
    // Nothing reached the chip.
    QCOMPARE(chip.received(), QByteArray());
}

void TestCli::lineThatNeverFallsQuietEndsTheWait()
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

void TestCli::signalEndsCaptureWithCompleteCsvAndStop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl-C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestCli::signalEndsCaptureWithCompleteCsvAndStop()
{
    QFETCH(int, signalNumber);
    constexpr int kBlocksBeforeSignal = 3;
    LoggedChip chip;
    QVERIFY(chip.start());
    QTemporaryDir folder;
    const QString csvPath = folder.filePath("blocks.csv");
    CliProgram program;
    program.start(onChip(chip, {"capture", "--blocks", "1000", "-o", csvPath}));
    QVERIFY(program.process().waitForStarted());
    // Some blocks in, then the signal; 1000 blocks would take half a minute.
    QTRY_VERIFY_WITH_TIMEOUT(
        rowsPerBlock(csvRows(TestFiles::readAll(csvPath))).size() >= kBlocksBeforeSignal, 20000);
    ::kill(static_cast<pid_t>(program.process().processId()), signalNumber);
    const CliResult result = program.finish();
    QCOMPARE(result.status, 0);

    const QList<int> counts = rowsPerBlock(csvRows(TestFiles::readAll(csvPath)));
    QVERIFY(counts.size() >= kBlocksBeforeSignal);
    QVERIFY(counts.size() < 1000);
    QVERIFY(blocksWhole(counts));
    // Stop's command is the last the chip received.
    QTRY_VERIFY_WITH_TIMEOUT(chip.received().endsWith("J1000\rq\r"), 3000);
}

void TestCli::helpAndUsage()
{
    for (const char* command : {"timing", "registers", "special", "fuses", "option", "send",
                                "capture"}) {
        const CliResult help = runCli({command, "--help"});
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.contains(QByteArray("trevalon-cli [port options] ") + command),
                 help.out.constData());
    }
    const CliResult program = runCli({"--help"});
    QCOMPARE(program.status, 0);
    QVERIFY(program.out.contains("Exit status:"));
    QVERIFY(runCli({"option", "--help"}).out.contains("soft-limit-no-fault"));
    QVERIFY(runCli({"--version"}).out.startsWith("trevalon-cli "));

    // Bad usage: 2, with the reason, and nothing sent anywhere.
    for (const QStringList& bad :
         {QStringList{}, QStringList{"nonsense"}, QStringList{"--port", "256", "timing"},
          QStringList{"option", "thermo-50"}, QStringList{"capture", "--blocks", "0"},
          QStringList{"capture", "--trigger", "maybe"}, QStringList{"send"},
          QStringList{"timing", "extra"}, QStringList{"send", "s", "--quiet-ms", "x"},
          QStringList{"--demo", "--device", "/dev/null", "timing"}}) {
        const CliResult result = runCli(bad);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.startsWith("trevalon-cli: "), result.err.constData());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
