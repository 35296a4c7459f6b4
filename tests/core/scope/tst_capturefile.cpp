// SPDX-License-Identifier: GPL-3.0-or-later
// Capture files on disk: the rows made in one pass are the bytes the rows have always been; a
// capture written as CSV or gzip reads back as the blocks written, known by its content; a gzip
// recording torn by a crash gives back its whole blocks and tells where a recording that goes on
// in it resumes; a file that does not read says why.

#include "capture/CaptureFile.h"
#include "capture/CaptureOutput.h"
#include "core/scope/CsvRows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>

namespace {
constexpr int kBlocks = 3;

// Sample s of block b is worth (37 b + 11 s) % 256: every value, every block different.
int valueOf(long long block, int sample)
{
    return static_cast<int>((37 * block + 11 * sample) % 256);
}

SampleBlock made(long long number)
{
    SampleBlock block;
    for (int s = 1; s <= kBlockSize; ++s)
        block.entry[static_cast<std::size_t>(s)] = static_cast<quint8>(valueOf(number, s));
    return block;
}

// The header and blocks 1 to kBlocks, each piece as it goes to a file.
QList<std::string> pieces()
{
    CsvRows::Maker rows;
    QList<std::string> all{CsvRows::kHeader};
    for (long long b = 1; b <= kBlocks; ++b)
        all << rows.rowsOf(b, made(b), 1.909);
    return all;
}

std::string contentOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The pieces as the program writes them to `path`; its bytes.
std::string written(const std::string& path, const QList<std::string>& texts)
{
    std::string error;
    auto output = CaptureCsv::CaptureOutput::create(path, error);
    for (const std::string& text : texts)
        output->write(text);
    output.reset();
    return contentOf(path);
}

struct Read
{
    CaptureFile::ReadResult result;
    QList<long long> numbers;
    int wrongValues = 0;
};

Read readBack(const std::string& path)
{
    Read read;
    read.result = CaptureFile::read(path, [&](const CaptureCsv::RecordedBlock& b) {
        read.numbers << b.number;
        for (int s = 1; s <= kBlockSize; ++s)
            read.wrongValues += b.value[static_cast<std::size_t>(s - 1)] != valueOf(b.number, s);
    });
    return read;
}
} // namespace

class TestCaptureFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsAreTheBytesTheyWere_data();
    void rowsAreTheBytesTheyWere();
    void captureReadsBackAsWritten_data();
    void captureReadsBackAsWritten();
    void tornGzipRecordingGivesItsWholeBlocks_data();
    void tornGzipRecordingGivesItsWholeBlocks();
    void faultSaysWhatIsWrong_data();
    void faultSaysWhatIsWrong();
};

void TestCaptureFile::rowsAreTheBytesTheyWere_data()
{
    QTest::addColumn<double>("timeGrid");
    QTest::newRow("before any timing reply") << 0.0;
    QTest::newRow("the shortest grid, of timing digit 1") << 0.47725;
    QTest::newRow("the usual grid, of timing digit 4") << 1.909;
    QTest::newRow("a grid whose times need no rounding") << 0.5;
    QTest::newRow("a grid of timing digit 9, past a thousand ms") << 4.29525;
}

void TestCaptureFile::rowsAreTheBytesTheyWere()
{
    // Each row as the readouts make it, one text at a time: the format the files have.
    QFETCH(double, timeGrid);
    CsvRows::Maker maker;
    for (const long long number : {1LL, 99999LL}) {
        SampleBlock block;
        for (int s = 1; s <= kBlockSize; ++s) // every value, and a sample not received
            if (s != 7)
                block.entry[static_cast<std::size_t>(s)] = static_cast<quint8>((s * 13) % 256);
        QString rows;
        for (int s = 1; s <= kBlockSize; ++s) {
            if (const auto value = block.entry[static_cast<std::size_t>(s)])
                rows += QString::number(number) + ',' + QString::number(s) + ',' +
                        QString::number(*value) + ',' +
                        CsvRows::plainNumber(CsvRows::timeReadout(s, timeGrid)) + ',' +
                        CsvRows::levelReadout(*value) + '\n';
        }
        QCOMPARE(QString::fromStdString(maker.rowsOf(number, block, timeGrid)), rows);
    }
}

void TestCaptureFile::captureReadsBackAsWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<QString>("readAs"); // the name it is read under
    QTest::newRow("CSV") << "run.csv" << false << "run.csv";
    QTest::newRow("gzip, a member a block") << "run.csv.gz" << true << "run.csv.gz";
    QTest::newRow("gzip renamed to .csv is known by its mark")
        << "run.csv.gz" << true << "renamed.csv";
    QTest::newRow("CSV named .gz is read as the CSV it is") << "run.csv" << false << "run.gz";
}

void TestCaptureFile::captureReadsBackAsWritten()
{
    QFETCH(QString, name);
    QFETCH(bool, compressed);
    QFETCH(QString, readAs);
    QTemporaryDir folder;
    const std::string path = folder.filePath(name).toStdString();
    const std::string bytes = written(path, pieces());
    writeBytes(folder.filePath(readAs).toStdString(), bytes);
    const Read read = readBack(folder.filePath(readAs).toStdString());
    QVERIFY2(read.result.fine(), CaptureFile::describeFault(read.result).c_str());
    QCOMPARE(read.result.compressed, compressed);
    QCOMPARE(read.numbers, (QList<long long>{1, 2, 3}));
    QCOMPARE(read.wrongValues, 0);
    QCOMPARE(read.result.keptLength, std::optional<std::uint64_t>(bytes.size()));
    if (!compressed) {
        std::string csv;
        for (const std::string& piece : pieces())
            csv += piece;
        QCOMPARE(bytes, csv);
    }
}

void TestCaptureFile::tornGzipRecordingGivesItsWholeBlocks_data()
{
    // A recording of the header and three blocks, then what a crash left after them (bytes
    // of the next member, or of a CSV row), or what else follows.
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("droppedFromLine"); // 0: nothing left out
    QTest::addColumn<bool>("keepsAll");       // a recording that goes on keeps every byte before
    QTest::addColumn<QString>("faultHas");    // empty: the file reads
    QTemporaryDir folder;
    const std::string member = written(folder.filePath("4.gz").toStdString(),
                                       {CsvRows::Maker().rowsOf(4, made(4), 1.909)});
    const auto part = [&](std::size_t size) {
        return QByteArray::fromStdString(member.substr(0, size));
    };
    const int nextLine = 2 + kBlocks * kBlockSize;
    QTest::newRow("a whole recording") << QByteArray() << 3 << 0 << true << QString();
    QTest::newRow("a member cut in its header") << part(5) << 3 << nextLine << true << QString();
    QTest::newRow("a member cut mid-way")
        << part(member.size() / 2) << 3 << nextLine << true << QString();
    QTest::newRow("a member without its last check bytes")
        << part(member.size() - 4) << 3 << nextLine << true << QString();
    QTest::newRow("bytes that are no gzip after the members")
        << QByteArray("4,1,1,0.5,-127\n") << 3 << 0 << false << "damaged";
}

void TestCaptureFile::tornGzipRecordingGivesItsWholeBlocks()
{
    QFETCH(QByteArray, after);
    QFETCH(int, blocks);
    QFETCH(int, droppedFromLine);
    QFETCH(bool, keepsAll);
    QFETCH(QString, faultHas);
    QTemporaryDir folder;
    const std::string path = folder.filePath("run.csv.gz").toStdString();
    const std::string whole = written(path, pieces());
    writeBytes(path, whole + after.toStdString());
    const Read read = readBack(path);
    QVERIFY2(QString::fromStdString(read.result.rows.error.reason).contains(faultHas),
             read.result.rows.error.reason.c_str());
    QCOMPARE(read.result.fine(), faultHas.isEmpty());
    QCOMPARE(read.numbers.size(), blocks);
    QCOMPARE(read.wrongValues, 0);
    QCOMPARE(read.result.rows.droppedFromLine, droppedFromLine);
    if (keepsAll)
        QCOMPARE(read.result.keptLength, std::optional<std::uint64_t>(whole.size()));
}

void TestCaptureFile::faultSaysWhatIsWrong_data()
{
    QTest::addColumn<QByteArray>("content"); // null: the name is a folder
    QTest::addColumn<QString>("fault");
    QTest::newRow("gzip's mark then no gzip is a damaged member, not some other file")
        << QByteArray("\x1f\x8b"
                      "block,sample,value,time_ms,level\n")
        << "compressed data is damaged";
    QTest::newRow("a time that is no finite number")
        << QByteArray("block,sample,value,time_ms,level\n1,1,128,nan,0\n")
        << "line 2: time_ms is not a number";
    QTest::newRow("a folder is not opened as a file")
        << QByteArray() << "cannot be opened: Is a directory";
}

void TestCaptureFile::faultSaysWhatIsWrong()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fault);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("run.csv.gz"));
    if (content.isNull())
        QVERIFY(QDir().mkdir(path));
    else
        writeBytes(path.toStdString(), content.toStdString());
    const Read read = readBack(path.toStdString());
    QVERIFY(read.numbers.isEmpty());
    const QString said = QString::fromStdString(CaptureFile::describeFault(read.result));
    QVERIFY2(said.contains(fault), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestCaptureFile)
#include "tst_capturefile.moc"
