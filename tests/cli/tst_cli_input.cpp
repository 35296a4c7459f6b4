// SPDX-License-Identifier: GPL-3.0-or-later
// What trevalon-cli takes and what it gives back on a failure: numbers that are not finite, port
// options for a command that opens no port are refused, a figure's name in any letter case is
// taken; every failure of stats, analyse and capture with --json leaves one whole JSON document,
// closed with the failure as "error", or none; and a capture file piped to standard input reads
// as the file does.

#include "CliRun.h"

#include "capture/CaptureOutput.h"
#include "core/scope/CsvRows.h"
#include "support/KnownSignals.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kRun = QStringLiteral("run.csv");
const QString kRunGz = QStringLiteral("run.csv.gz");
// Two whole blocks are read before its fault: a block number that goes back.
const QString kFaultFurtherOn = QStringLiteral("fault-further-on.csv");
const QString kMissing = QStringLiteral("missing.csv");
const QByteArray kErrorPrefix = "trevalon-cli: ";

// A header and four blocks of second-order moves, one a block, each piece as it is written.
QList<std::string> runOfMoves()
{
    QList<std::string> pieces{std::string(CsvRows::kHeader)};
    CsvRows::Maker rows;
    for (int b = 1; b <= 4; ++b) {
        const KnownSignals::Values values = KnownSignals::stepBlock(
            {0.3, 30, 80}, 20 + b, KnownSignals::kUsualGridMs, 1, static_cast<unsigned>(b));
        SampleBlock block;
        for (int i = 0; i < kBlockSize; ++i)
            block.entry[static_cast<std::size_t>(i + 1)] = static_cast<quint8>(values[i]);
        pieces << rows.rowsOf(b, block, KnownSignals::kUsualGridMs);
    }
    return pieces;
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
    void pipedFileReadsAsTheFile_data();
    void pipedFileReadsAsTheFile();

private:
    QTemporaryDir folder_;
};

void TestCliInput::initTestCase()
{
    QVERIFY(QDir::setCurrent(folder_.path()));
    const QList<std::string> pieces = runOfMoves();
    std::string reason;
    auto gzip = CaptureCsv::CaptureOutput::create(kRunGz.toStdString(), reason);
    QVERIFY2(gzip, reason.c_str());
    std::string csv;
    for (const std::string& piece : pieces) {
        QVERIFY(gzip->write(piece));
        csv += piece;
    }
    gzip.reset();
    QVERIFY(TestFiles::writeFile(kRun, QByteArray::fromStdString(csv)));
    const std::string firstRow = pieces[1].substr(0, pieces[1].find('\n') + 1);
    QVERIFY(TestFiles::writeFile(kFaultFurtherOn, QByteArray::fromStdString(csv + firstRow)));
}

void TestCliInput::optionsAndConditions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // A text the output must hold, and one it must not.
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("notSaid");
    QTest::newRow("a window of nan is refused, not taken to find no moves")
        << QStringList{"analyse", kRun, "--window", "nan"} << 2 << "--window takes"
        << "";
    QTest::newRow("a condition against nan is refused")
        << QStringList{"analyse", kRun, "--fail-if", "rms>nan"} << 2 << "not a finite"
        << "";
    QTest::newRow("a condition against infinity is refused")
        << QStringList{"analyse", kRun, "--fail-if", "rms>inf"} << 2 << "not a finite"
        << "";
    QTest::newRow("a figure's name in capitals is taken and holds")
        << QStringList{"analyse", kRun, "--fail-if", "RMS>0"} << 7 << "FAILED"
        << "";
    QTest::newRow("a figure's name in mixed case is taken and does not hold")
        << QStringList{"analyse", kRun, "--fail-if", "Settle_MS>1e6"} << 0 << "settle_ms"
        << "FAILED";
    QTest::newRow("analyse refuses a port number after its file")
        << QStringList{"analyse", kRun, "--port", "3"} << 2 << "'port'"
        << "FAILED";
    QTest::newRow("analyse refuses a port number before its name")
        << QStringList{"--port", "3", "analyse", kRun} << 2 << "--port does not apply"
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
    QTest::addColumn<int>("parts"); // files or blocks the document holds at least; -1: none
    QTest::newRow("analyse of a missing file prints nothing")
        << QStringList{"analyse", kMissing, "--json"} << QStringList() << 5 << -1;
    QTest::newRow("analyse's second file missing ends the first's document")
        << QStringList{"analyse", kRun, kMissing, "--json"} << QStringList() << 5 << 1;
    QTest::newRow("analyse of a fault further on ends the document there")
        << QStringList{"analyse", kFaultFurtherOn, "--json"} << QStringList() << 2 << 1;
    QTest::newRow("analyse whose report cannot be written says so in the document")
        << QStringList{"analyse", kRun, "--json", "--report", "no-folder/report.html"}
        << QStringList() << 5 << 1;
    QTest::newRow("stats of a fault further on ends the document there")
        << QStringList{"stats", kFaultFurtherOn, "--json"} << QStringList() << 2 << 2;
    QTest::newRow("a capture's analysis on a chip that never answers is whole")
        << QStringList{"capture", "--analyse", "--json", "-o", "mute.csv"} << QStringList{"--mute"}
        << 6 << 1;
    QTest::newRow("a capture's figures outlive a lost device, whole")
        << QStringList{"capture", "--blocks", "6", "--stats", "--json", "-o", "lost.csv"}
        << QStringList{"--vanish-after", "2"} << 5 << 1;
}

void TestCliInput::jsonIsWholeOrNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, simulator);
    QFETCH(int, status);
    QFETCH(int, parts);
    QVERIFY(QDir::setCurrent(folder_.path()));
    // A capture writes its document on standard error, on its own line before the messages.
    CliResult result =
        simulator.isEmpty() ? runCli(arguments) : runOnNewChip(arguments, simulator, 1).result;
    const QByteArray document =
        simulator.isEmpty() ? result.out : result.err.left(result.err.indexOf('\n') + 1);
    QVERIFY2(result.status == status, result.err.constData());
    const qsizetype messageAt = result.err.indexOf(kErrorPrefix);
    QVERIFY2(messageAt >= 0, result.err.constData());
    const QByteArray message = result.err.mid(messageAt + kErrorPrefix.size()).split('\n')[0];
    if (parts < 0) {
        QVERIFY2(document.isEmpty(), document.constData());
        return;
    }
    QJsonParseError parsed;
    const QJsonObject json = QJsonDocument::fromJson(document, &parsed).object();
    QVERIFY2(parsed.error == QJsonParseError::NoError, document.right(200).constData());
    // The document names the failure that standard error tells first.
    QCOMPARE(json["error"].toString(), QString::fromUtf8(message));
    const QJsonArray found = json[json.contains("files") ? "files" : "blocks"].toArray();
    QVERIFY2(found.size() >= parts, document.constData());
}

void TestCliInput::pipedFileReadsAsTheFile_data()
{
    // A pipe cannot go back once its first bytes have shown what the file is.
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name"); // standard input's name on the command line
    QTest::addColumn<QString>("piped");
    QTest::newRow("stats of gzip named -") << "stats"
                                           << "-" << kRunGz;
}

void TestCliInput::pipedFileReadsAsTheFile()
{
    QFETCH(QString, command);
    QFETCH(QString, name);
    QFETCH(QString, piped);
    QVERIFY(QDir::setCurrent(folder_.path()));
    const CliResult fromFile = runCli({command, kRun, "--json"});
    QCOMPARE(fromFile.status, 0);
    CliProgram program;
    program.start({command, name, "--json"});
    program.process().write(TestFiles::readAll(piped));
    program.process().closeWriteChannel();
    const CliResult result = program.finish();
    QVERIFY2(result.status == 0, result.err.constData());
    // The same figures; analyse's document names the file as it was given.
    QCOMPARE(
        result.out,
        QByteArray(fromFile.out).replace("\"" + kRun.toUtf8() + '"', "\"" + name.toUtf8() + '"'));
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cli_input.moc"
