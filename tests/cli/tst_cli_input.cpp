// SPDX-License-Identifier: GPL-3.0-or-later
// What trevalon-cli takes and what it gives back on a failure: options that are no finite number,
// malformed conditions and port options for a command that opens no port are refused (a figure's
// name in any letter case is taken); every failure of stats, analyse and capture with --json
// leaves one whole JSON document, closed with the failure as "error", or none; and a capture file
// reads the same from standard input or under a name that belies its content.

#include "CliRun.h"

#include "capture/CaptureOutput.h"
#include "core/scope/CsvRows.h"
#include "support/KnownSignals.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr int kBlocks = 4;
const QString kRun = QStringLiteral("run.csv");
const QString kRunGz = QStringLiteral("run.csv.gz");
const QString kPlainNamedGz = QStringLiteral("plain.csv.gz");
// Two whole blocks are read before the fault: a block number that goes back.
const QString kFaultFurtherOn = QStringLiteral("fault-further-on.csv");
const QString kNoCapture = QStringLiteral("no-capture.csv");
const QString kMissing = QStringLiteral("missing.csv");
const QByteArray kErrorPrefix = "trevalon-cli: ";

// A header and kBlocks blocks of second-order moves, one a block, as each block's own text.
QList<std::string> runOfMoves()
{
    QList<std::string> pieces{std::string(CsvRows::kHeader)};
    CsvRows::Maker rows;
    for (int b = 1; b <= kBlocks; ++b) {
        const KnownSignals::Values values = KnownSignals::stepBlock(
            {0.3, 30, 80}, 20 + b, KnownSignals::kUsualGridMs, 1, static_cast<unsigned>(b));
        SampleBlock block;
        for (int i = 0; i < kBlockSize; ++i)
            block.entry[static_cast<std::size_t>(i + 1)] = static_cast<quint8>(values[i]);
        pieces << rows.rowsOf(b, block, KnownSignals::kUsualGridMs);
    }
    return pieces;
}

// The messages on standard error, without the program's name.
QStringList messagesOf(const QByteArray& err)
{
    QStringList messages;
    for (const QByteArray& line : err.split('\n'))
        if (line.startsWith(kErrorPrefix))
            messages << QString::fromUtf8(line.mid(kErrorPrefix.size()));
    return messages;
}

// Runs the program with `input` as its standard input.
CliResult runWithInput(const QStringList& arguments, const QString& input)
{
    CliProgram program;
    program.process().setStandardInputFile(input);
    program.start(arguments);
    return program.finish();
}
} // namespace

class TestCliInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void optionsAndConditions_data();
    void optionsAndConditions();
    void jsonIsWholeOrNothing_data();
    void jsonIsWholeOrNothing();
    void captureFileReadsAlikeFromAnywhere_data();
    void captureFileReadsAlikeFromAnywhere();

private:
    QTemporaryDir folder_;
};

void TestCliInput::initTestCase()
{
    QVERIFY(QDir::setCurrent(folder_.path()));
    const QList<std::string> pieces = runOfMoves();
    std::string csv;
    for (const std::string& piece : pieces)
        csv += piece;
    QVERIFY(TestFiles::writeFile(kRun, QByteArray::fromStdString(csv)));
    QVERIFY(TestFiles::writeFile(kPlainNamedGz, QByteArray::fromStdString(csv)));
    std::string reason;
    auto gzip = CaptureCsv::CaptureOutput::create(kRunGz.toStdString(), reason);
    QVERIFY2(gzip, reason.c_str());
    for (const std::string& piece : pieces)
        QVERIFY(gzip->write(piece));
    gzip.reset();
    QVERIFY(TestFiles::writeFile(
        kFaultFurtherOn, QByteArray::fromStdString(pieces[0] + pieces[1] + pieces[2] + pieces[3] +
                                                   pieces[1].substr(0, pieces[1].find('\n') + 1))));
    QVERIFY(TestFiles::writeFile(kNoCapture, "time,value\n0,128\n"));
}

void TestCliInput::optionsAndConditions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // A text that standard error or output must hold, and one neither may hold.
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("notSaid");

    QTest::newRow("a window of nan is refused, not taken to find no moves")
        << QStringList{"analyse", kRun, "--window", "nan"} << 2 << "--window takes"
        << "";
    QTest::newRow("a move threshold of nan is refused")
        << QStringList{"analyse", kRun, "--move-threshold", "nan"} << 2 << "--move-threshold takes"
        << "";
    QTest::newRow("an infinite window is refused")
        << QStringList{"analyse", kRun, "--window", "-inf"} << 2 << "--window takes"
        << "";
    QTest::newRow("a live capture refuses a window of nan before it opens any port")
        << QStringList{"capture", "--analyse", "--window", "nan"} << 2 << "--window takes"
        << "";
    QTest::newRow("a condition against nan is refused")
        << QStringList{"analyse", kRun, "--fail-if", "rms>nan"} << 2 << "not a finite number"
        << "";
    QTest::newRow("a condition against infinity is refused")
        << QStringList{"analyse", kRun, "--fail-if", "rms>inf"} << 2 << "not a finite number"
        << "";
    QTest::newRow("a figure's name in capitals is taken and holds")
        << QStringList{"analyse", kRun, "--fail-if", "RMS>0"} << 7 << "FAILED"
        << "";
    QTest::newRow("a figure's name in mixed case is taken and does not hold")
        << QStringList{"analyse", kRun, "--fail-if", "Settle_MS>100000"} << 0 << "settle_ms"
        << "FAILED";
    QTest::newRow("a name that is no figure in any case is still unknown")
        << QStringList{"analyse", kRun, "--fail-if", "WOBBLE>1"} << 2 << "no figure is called"
        << "";
    QTest::newRow("analyse refuses a port number after its file")
        << QStringList{"analyse", kRun, "--port", "3"} << 2 << "port"
        << "FAILED";
    QTest::newRow("analyse refuses a port number before its name")
        << QStringList{"--port", "3", "analyse", kRun} << 2 << "--port does not apply"
        << "";
    QTest::newRow("analyse refuses the simulated chip")
        << QStringList{"analyse", kRun, "--demo"} << 2 << "demo"
        << "";
    QTest::newRow("analyse's help names no port option")
        << QStringList{"analyse", "--help"} << 0 << "--fail-if"
        << "--device";
}

void TestCliInput::optionsAndConditions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QString, notSaid);
    QVERIFY(QDir::setCurrent(folder_.path()));
    const CliResult result = runCli(arguments);
    const QString output = QString::fromUtf8(result.out + result.err);
    QVERIFY2(result.status == status, qPrintable(output));
    QVERIFY2(output.contains(said), qPrintable(output));
    QVERIFY2(notSaid.isEmpty() || !output.contains(notSaid), qPrintable(output));
}

void TestCliInput::jsonIsWholeOrNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("simulator"); // empty: no chip
    QTest::addColumn<int>("status");
    // -1: no document at all; otherwise the runs (files or blocks) the document holds at least.
    QTest::addColumn<int>("runs");

    QTest::newRow("analyse of a missing file prints nothing")
        << QStringList{"analyse", kMissing, "--json"} << QStringList() << 5 << -1;
    QTest::newRow("analyse of what is no capture prints nothing")
        << QStringList{"analyse", kNoCapture, "--json"} << QStringList() << 2 << -1;
    QTest::newRow("analyse's second file missing ends the first's document")
        << QStringList{"analyse", kRun, kMissing, "--json"} << QStringList() << 5 << 1;
    QTest::newRow("analyse of a fault further on ends the document there")
        << QStringList{"analyse", kFaultFurtherOn, "--json"} << QStringList() << 2 << 1;
    QTest::newRow("analyse whose report cannot be written says so in the document")
        << QStringList{"analyse", kRun, "--json", "--report", "no-folder/report.html"}
        << QStringList() << 5 << 1;
    QTest::newRow("stats of a missing file prints nothing")
        << QStringList{"stats", kMissing, "--json"} << QStringList() << 5 << -1;
    QTest::newRow("stats of a fault further on ends the document there")
        << QStringList{"stats", kFaultFurtherOn, "--json"} << QStringList() << 2 << 2;
    QTest::newRow("a capture's analysis on a chip that never answers is whole")
        << QStringList{"capture", "--analyse", "--json", "-o", "mute.csv"} << QStringList{"--mute"}
        << 6 << 1;
    QTest::newRow("a capture's figures on a chip that never answers are whole")
        << QStringList{"capture", "--stats", "--json", "-o", "mute.csv"} << QStringList{"--mute"}
        << 6 << 0;
    QTest::newRow("a capture's figures outlive a lost device, whole")
        << QStringList{"capture", "--blocks", "6", "--stats", "--json", "-o", "lost.csv"}
        << QStringList{"--vanish-after", "2"} << 5 << 1;
    QTest::newRow("a capture's analysis outlives a lost device, whole")
        << QStringList{"capture", "--blocks", "6", "--analyse", "--json", "-o", "lost.csv"}
        << QStringList{"--vanish-after", "2"} << 5 << 1;
}

void TestCliInput::jsonIsWholeOrNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, simulator);
    QFETCH(int, status);
    QFETCH(int, runs);
    QVERIFY(QDir::setCurrent(folder_.path()));
    // A capture writes its CSV to the file and its document to standard error, on a line of its
    // own before the run's messages.
    CliResult result;
    QByteArray document;
    if (simulator.isEmpty()) {
        result = runCli(arguments);
        document = result.out;
    } else {
        const ChipRun run = runOnNewChip(arguments, simulator, 1);
        QVERIFY(run.chip);
        result = run.result;
        QVERIFY2(result.out.isEmpty(), result.out.constData());
        document = result.err.left(result.err.indexOf('\n') + 1);
    }
    QVERIFY2(result.status == status, result.err.constData());
    const QStringList messages = messagesOf(result.err);
    QVERIFY2(messages.size() >= 1, result.err.constData());
    if (runs < 0) {
        QVERIFY2(document.isEmpty(), document.constData());
        return;
    }
    QJsonParseError parsed;
    const QJsonObject json = QJsonDocument::fromJson(document, &parsed).object();
    QVERIFY2(parsed.error == QJsonParseError::NoError,
             qPrintable(parsed.errorString() + QStringLiteral(": ") + document.right(200)));
    // The document names the failure that standard error tells first.
    QCOMPARE(json["error"].toString(), messages.first());
    const QJsonArray parts =
        json.contains("files") ? json["files"].toArray() : json["blocks"].toArray();
    QVERIFY2(parts.size() >= runs, document.constData());
}

void TestCliInput::captureFileReadsAlikeFromAnywhere_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");  // the file's name on the command line
    QTest::addColumn<QString>("input"); // standard input; empty: none
    QTest::newRow("stats of gzip on standard input, named -") << "stats"
                                                              << "-" << kRunGz;
    QTest::newRow("stats of CSV through /dev/stdin") << "stats"
                                                     << "/dev/stdin" << kRun;
    QTest::newRow("analyse of gzip on standard input, named -") << "analyse"
                                                                << "-" << kRunGz;
    QTest::newRow("analyse of a CSV named .gz, by its content")
        << "analyse" << kPlainNamedGz << QString();
}

void TestCliInput::captureFileReadsAlikeFromAnywhere()
{
    QFETCH(QString, command);
    QFETCH(QString, name);
    QFETCH(QString, input);
    QVERIFY(QDir::setCurrent(folder_.path()));
    const CliResult fromFile = runCli({command, kRun, "--json"});
    QCOMPARE(fromFile.status, 0);
    const CliResult result = input.isEmpty() ? runCli({command, name, "--json"})
                                             : runWithInput({command, name, "--json"}, input);
    QVERIFY2(result.status == 0, result.err.constData());
    // The same figures; analyse's document names the file as it was given.
    QCOMPARE(result.out, QByteArray(fromFile.out)
                             .replace(QByteArray("\"path\":\"") + kRun.toUtf8() + '"',
                                      QByteArray("\"path\":\"") + name.toUtf8() + '"'));
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cli_input.moc"
