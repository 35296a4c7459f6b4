// SPDX-License-Identifier: GPL-3.0-or-later
// trevalon-cli as a user runs it, against the simulated chip on a pseudo-terminal: each
// sub-command puts on the line exactly what its control does in the window (the same handler run
// on the fake port gives the bytes to expect), reaches the port the window would, prints the
// readouts and listings as the window shows them, saves the setup file byte for byte as the
// window's Save does and writes CSV rows that agree with the pointer readouts. Its faults are in
// tst_cli_faults.

#include "CliRun.h"
#include "CsvCheck.h"

#include "core/TextRules.h"
#include "core/console/Console.h"
#include "core/console/Listings.h"
#include "core/console/SetupFile.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/Markers.h"
#include "core/scope/ScopeGeometry.h"
#include "core/scope/ScopeControl.h"
#include "support/CoreFixture.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <memory>

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
constexpr double kGridDigit4 = 1.909;
} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachCommandSendsItsControlsBytes_data();
    void eachCommandSendsItsControlsBytes();
    void timingPrintsTheReadouts_data();
    void timingPrintsTheReadouts();
    void storedChoiceAndPortMapAsTheWindowReadsThem();
    void captureRowsAgreeWithTheReadouts_data();
    void captureRowsAgreeWithTheReadouts();
    void savedListingIsTheWindowsSetupFile();
    void helpAndUsage();
};

void TestCli::eachCommandSendsItsControlsBytes_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<Control>("control");

    QTest::newRow("timing: Detect") << QStringList{"timing"}
                                    << Control([](Core& c) { c.detectTiming(); });
    QTest::newRow("registers: Registers")
        << QStringList{"registers"}
        << Control([](Core& c) { c.fetchListing(Core::Listing::Registers); });
    QTest::newRow("special: Special")
        << QStringList{"special"}
        << Control([](Core& c) { c.fetchListing(Core::Listing::Specials); });
    QTest::newRow("fuses: State of Fuses")
        << QStringList{"fuses"}
        << Control([](Core& c) { c.fetchListing(Core::Listing::Fuses); });
    QTest::newRow("option thermo-100: TP100")
        << QStringList{"option", "thermo-100"}
        << Control([](Core& c) { c.switchOption(Core::ChipOption::Thermo100); });
    QTest::newRow("option pwm-ac: ACM")
        << QStringList{"option", "pwm-ac"}
        << Control([](Core& c) { c.switchOption(Core::ChipOption::PwmAcMode); });
    QTest::newRow("send: Enter in the command line")
        << QStringList{"send", "s"}
        << Control([](Core& c) { c.sendLine("s"); });
    QTest::newRow("capture: Start, then Stop") << QStringList{"capture", "--blocks", "2"}
                                               << Control([](Core& c) {
                                                      c.startScope();
                                                      c.stopScope();
                                                  });
    QTest::newRow("capture on: Triger on, then Stop")
        << QStringList{"capture", "--trigger", "on"} << Control([](Core& c) {
               c.startTriggered();
               c.stopScope();
           });
    QTest::newRow("capture off: Triger off, then Stop")
        << QStringList{"capture", "--trigger", "off"} << Control([](Core& c) {
               c.startUntriggered();
               c.stopScope();
           });
}

void TestCli::eachCommandSendsItsControlsBytes()
{
    QFETCH(QStringList, command);
    QFETCH(Control, control);
    const QByteArray expected = bytesOf(control);
    QVERIFY(!expected.isEmpty());

    const ChipRun run = runOnNewChip(command);
    QVERIFY(run.chip);
    QCOMPARE(run.result.status, 0);
    QVERIFY2(!run.result.out.isEmpty(), run.result.err.constData());
    // The chip logs what it read once it has read it; the last command may still be on its way.
    QTRY_COMPARE_WITH_TIMEOUT(run.chip->received(), expected, 3000);
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
    const CliResult result =
        untilAnswered([&] { return runCli(onChip(chip, QStringList{"timing"} + options)); });
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, expected);
}

void TestCli::storedChoiceAndPortMapAsTheWindowReadsThem()
{
    LoggedChip chip;
    QVERIFY(chip.start());
    // List position 249 is "Comm 250", which the [Ports] map sends to the chip.
    const QByteArray settings = "[Setup]\nPort= 249\n\n[Ports]\n250=" +
                                QFile::encodeName(chip.link()) + "\n";
    std::unique_ptr<CliProgram> program; // the last run's, with its settings folder
    const CliResult result = untilAnswered([&] {
        program = std::make_unique<CliProgram>();
        if (!QDir().mkpath(QFileInfo(program->settingsFile()).path()) ||
            !TestFiles::writeFile(program->settingsFile(), settings))
            return CliResult{};
        program->start({"timing"});
        return program->finish();
    });
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, kTimingDigit4Text);
    // The choice is read, never stored back.
    QCOMPARE(TestFiles::readAll(program->settingsFile()), settings);

    // Another number named on the command line is not mapped: nothing reaches it.
    CliProgram other;
    QVERIFY(QDir().mkpath(QFileInfo(other.settingsFile()).path()));
    QVERIFY(TestFiles::writeFile(other.settingsFile(), settings));
    other.start({"--port", "251", "timing"});
    const CliResult elsewhere = other.finish();
    QCOMPARE(elsewhere.status, 3);
    QVERIFY2(elsewhere.err.contains("Invalid Port Number! Please select anothert! Comm 251"),
             elsewhere.err.constData());
}

void TestCli::captureRowsAgreeWithTheReadouts_data()
{
    QTest::addColumn<QString>("digit");
    QTest::addColumn<double>("grid");
    QTest::addColumn<QString>("firstTime"); // of sample 1, as the CSV writes it
    QTest::newRow("digit 4: 1.909 ms") << "4" << kGridDigit4 << "1.91";
    // The readout shows ".48" here; the CSV writes the same number as 0.48.
    QTest::newRow("digit 1: 0.47725 ms") << "1" << 0.47725 << "0.48";
}

void TestCli::captureRowsAgreeWithTheReadouts()
{
    QFETCH(QString, digit);
    QFETCH(double, grid);
    QFETCH(QString, firstTime);
    constexpr int kBlocks = 3;
    QTemporaryDir folder;
    const QString csvPath = folder.filePath("blocks.csv");
    const ChipRun run =
        runOnNewChip({"capture", "--blocks", QString::number(kBlocks), "-o", csvPath},
                     {"--timing-digit", digit});
    QVERIFY(run.chip);
    const CliResult& result = run.result;
    QCOMPARE(result.status, 0);
    QVERIFY(result.out.isEmpty()); // the rows went to the file

    const QList<QStringList> rows = csvRows(TestFiles::readAll(csvPath));
    // The simulator loses no byte unless told to: the blocks asked for, each whole.
    const QList<int> counts = rowsPerBlock(rows);
    QCOMPARE(counts.size(), kBlocks);
    QVERIFY(blocksWhole(counts));

    // The window's own readouts over each sample, with the grid the chip answered.
    CoreFixture window;
    knowTiming(window.core, grid);
    QCOMPARE(rows.first()[3], firstTime);
    for (const QStringList& row : rows) {
        const int sample = row[1].toInt();
        bool isNumber = false;
        const int value = row[2].toInt(&isNumber);
        QVERIFY(isNumber && value >= 0 && value <= 255);
        // The pointer over the sample where the window draws it.
        window.core.pointAt(ScopeGeometry::samplePositionAt(ScopeGeometry::xOfSample(sample)),
                            ScopeGeometry::levelPositionAt(ScopeGeometry::yOfValue(value)));
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
    setConsoleText(window.core, QString::fromLatin1(consoleText));
    const QString fromWindow = folder.filePath("window.txt");
    window.dialogs.chosenFiles.enqueue(fromWindow);
    window.core.saveSetupFile();
    const QByteArray windowBytes = TestFiles::readAll(fromWindow);
    QVERIFY(windowBytes.contains("\r\n"));
    QCOMPARE(TestFiles::readAll(saved), windowBytes);
    // Written through a temporary file that is gone again.
    QCOMPARE(TestFiles::entries(folder.path()), QStringList({"Setup.txt", "window.txt"}));
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
          QStringList{"--demo", "--device", "/dev/null", "timing"},
          QStringList{"--sim-args", "--seed 3", "timing"}, QStringList{"--port", "3", "ports"},
          QStringList{"stats", "run.csv", "--demo"}}) {
        const CliResult result = runCli(bad);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.startsWith("trevalon-cli: "), result.err.constData());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
