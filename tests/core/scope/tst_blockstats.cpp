// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking-error figures of blocks worked out by hand, and the capture file read back:
// its rows become the blocks they were written from, a recording cut short inside its last
// block gives back the whole blocks before it, and a file that is not a capture is refused at the
// line at fault.

#include "core/scope/BlockStats.h"
#include "core/scope/CaptureCsv.h"

#include <QTest>

#include <cmath>
#include <sstream>
#include <vector>

namespace {
constexpr double kTolerance = 1e-9;

std::vector<std::uint8_t> block(std::initializer_list<std::pair<int, std::uint8_t>> runs)
{
    std::vector<std::uint8_t> values;
    for (const auto& [count, value] : runs)
        values.insert(values.end(), static_cast<std::size_t>(count), value);
    return values;
}

std::string csv(const std::string& rows)
{
    return std::string(CaptureCsv::kHeader) + "\n" + rows;
}

// Sample s of block b is worth (7 b + s) % 256, so every block's rows differ.
int valueOf(int block, int sample)
{
    return (7 * block + sample) % 256;
}

// The rows of `block` for samples `first` to `last`, as the program writes them.
std::string rows(int block, int first, int last, const std::string& lineEnd = "\n")
{
    std::string text;
    for (int s = first; s <= last; ++s)
        text += std::to_string(block) + "," + std::to_string(s) + "," +
                std::to_string(valueOf(block, s)) + ",0.5," +
                std::to_string(valueOf(block, s) - 128) + lineEnd;
    return text;
}

std::string whole(int block)
{
    return rows(block, 1, CaptureCsv::kSamplesPerBlock);
}
} // namespace

class TestBlockStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figuresOfKnownBlocks_data();
    void figuresOfKnownBlocks();
    void runFiguresAreThoseOfAllItsSamples();
    void captureFileGivesBackItsBlocks();
    void tornLastBlockIsLeftOut_data();
    void tornLastBlockIsLeftOut();
    void faultyFileIsRefusedAtItsLine_data();
    void faultyFileIsRefusedAtItsLine();
};

void TestBlockStats::figuresOfKnownBlocks_data()
{
    QTest::addColumn<std::vector<std::uint8_t>>("values");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("peak");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("rms");
    QTest::addColumn<double>("sd");
    // 300 samples at 133: level 5 everywhere.
    QTest::newRow("a flat block off centre has no spread")
        << block({{300, 133}}) << 5 << 5 << 5 << 5.0 << 5.0 << 0.0;
    // Half at 118 (-10), half at 138 (+10): mean 0, every square 100.
    QTest::newRow("a square wave's RMS and SD are its amplitude")
        << block({{150, 118}, {150, 138}}) << -10 << 10 << 10 << 0.0 << 10.0 << 10.0;
    // 299 at centre and one at 28 (-100): mean -1/3, mean square 10000/300.
    QTest::newRow("one outlier sets the peak and lifts the RMS")
        << block({{299, 128}, {1, 28}}) << -100 << 0 << 100 << -1.0 / 3 << std::sqrt(10000.0 / 300)
        << std::sqrt(10000.0 / 300 - 1.0 / 9);
    // Levels -3 and +1: the peak is the larger absolute level, though the maximum is +1.
    QTest::newRow("a negative peak counts by its size")
        << block({{1, 125}, {1, 129}}) << -3 << 1 << 3 << -1.0 << std::sqrt(5.0) << 2.0;
}

void TestBlockStats::figuresOfKnownBlocks()
{
    QFETCH(std::vector<std::uint8_t>, values);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, peak);
    QFETCH(double, mean);
    QFETCH(double, rms);
    QFETCH(double, sd);
    const std::optional<BlockStats::Figures> f = BlockStats::of(values);
    QVERIFY(f);
    QCOMPARE(f->samples, static_cast<long long>(values.size()));
    QCOMPARE(f->minimum, minimum);
    QCOMPARE(f->maximum, maximum);
    QCOMPARE(f->peak, peak);
    QVERIFY2(std::abs(f->mean - mean) < kTolerance, qPrintable(QString::number(f->mean)));
    QVERIFY2(std::abs(f->rms - rms) < kTolerance, qPrintable(QString::number(f->rms)));
    QVERIFY2(std::abs(f->standardDeviation - sd) < kTolerance,
             qPrintable(QString::number(f->standardDeviation)));
}

void TestBlockStats::runFiguresAreThoseOfAllItsSamples()
{
    QVERIFY(!BlockStats::of({}));
    // A block of samples not received adds nothing; the run is its blocks' samples together.
    SampleBlock first;
    first.entry[1] = 118;
    first.entry[2] = 138;
    SampleBlock nothingReceived;
    SampleBlock second;
    second.entry[300] = 228;
    BlockStats::Accumulator run;
    run.add(BlockStats::sumsOf(first));
    run.add(BlockStats::sumsOf(nothingReceived));
    run.add(BlockStats::sumsOf(second));
    QVERIFY(!BlockStats::sumsOf(nothingReceived).figures());
    const auto f = run.figures();
    QVERIFY(f);
    // Levels -10, +10, +100: mean 100/3, mean square 10200/3.
    QCOMPARE(f->samples, 3);
    QCOMPARE(f->minimum, -10);
    QCOMPARE(f->maximum, 100);
    QCOMPARE(f->peak, 100);
    QVERIFY(std::abs(f->rms - std::sqrt(10200.0 / 3)) < kTolerance);
    QVERIFY(std::abs(f->standardDeviation - std::sqrt(10200.0 / 3 - 10000.0 / 9)) < kTolerance);
}

void TestBlockStats::captureFileGivesBackItsBlocks()
{
    // CR LF line ends, a sample the capture did not receive, and blocks numbered on from an
    // earlier Start.
    std::istringstream input(
        csv(rows(4, 1, 1, "\r\n") + rows(4, 3, 300, "\r\n") + rows(7, 1, 300, "\r\n") + "\r\n"));
    std::vector<CaptureCsv::RecordedBlock> blocks;
    const CaptureCsv::ReadResult file =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& b) { blocks.push_back(b); });
    QCOMPARE(file.error.line, 0);
    QCOMPARE(file.droppedFromLine, 0);
    QCOMPARE(blocks.size(), 2u);
    QCOMPARE(blocks[0].number, 4);
    QCOMPARE(blocks[0].value[0], valueOf(4, 1));
    QCOMPARE(blocks[0].value[1], CaptureCsv::kMissing);
    QCOMPARE(blocks[0].value[299], valueOf(4, 300));
    QCOMPARE(blocks[1].number, 7);
    QCOMPARE(blocks[1].value[0], valueOf(7, 1));
}

void TestBlockStats::tornLastBlockIsLeftOut_data()
{
    QTest::addColumn<std::string>("kept"); // the whole blocks, which the reader hands over
    QTest::addColumn<std::string>("torn"); // what a write cut short left after them
    QTest::addColumn<QList<long long>>("blocks");
    QTest::addColumn<int>("droppedFromLine");
    // Line 1 is the header; a whole block takes 300 lines.
    QTest::newRow("a row cut mid-way after a whole block is the only loss")
        << csv(whole(1) + whole(2)) << std::string("3,1,1") << QList<long long>{1, 2} << 602;
    QTest::newRow("a block cut at a row end is left out from its first row")
        << csv(whole(1)) << rows(2, 1, 150) << QList<long long>{1} << 302;
    QTest::newRow("a block cut mid-row is left out from its first row")
        << csv(whole(1)) << rows(2, 1, 150) + "2,151,4" << QList<long long>{1} << 302;
    QTest::newRow("a first block cut short leaves the header alone")
        << csv("") << rows(1, 1, 2) + "1,3,1" << QList<long long>{} << 2;
    // The capture may leave out a block's 300th sample: 299 rows are a whole block, whether a
    // torn row follows them or not.
    QTest::newRow("a last block short of its 300th sample is whole")
        << csv(whole(1) + rows(2, 1, 299)) << std::string() << QList<long long>{1, 2} << 0;
    QTest::newRow("a 300th row cut short leaves its block whole")
        << csv(rows(1, 1, 299)) << std::string("1,300,1") << QList<long long>{1} << 301;
}

void TestBlockStats::tornLastBlockIsLeftOut()
{
    QFETCH(std::string, kept);
    QFETCH(std::string, torn);
    QFETCH(QList<long long>, blocks);
    QFETCH(int, droppedFromLine);
    std::istringstream input(kept + torn);
    QList<long long> handedOver;
    const CaptureCsv::ReadResult file = CaptureCsv::read(
        input, [&](const CaptureCsv::RecordedBlock& b) { handedOver << b.number; });
    QVERIFY2(file.error.line == 0, CaptureCsv::describe(file.error).c_str());
    QCOMPARE(handedOver, blocks);
    QCOMPARE(file.droppedFromLine, droppedFromLine);
    // What a recording that goes on keeps: exactly the whole blocks.
    QCOMPARE(file.wholeLength, kept.size());
}

void TestBlockStats::faultyFileIsRefusedAtItsLine_data()
{
    QTest::addColumn<std::string>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reasonHas");
    QTest::newRow("an empty file is no capture") << std::string() << 1 << "empty";
    QTest::newRow("another CSV's header is refused on line 1")
        << std::string("time,value\n1,2\n") << 1 << "first line";
    QTest::newRow("a row of four columns") << csv("1,1,128,0,0\n1,2,128,0\n") << 3 << "columns";
    QTest::newRow("a value beyond a byte") << csv("1,1,256,0,128\n") << 2 << "value";
    QTest::newRow("a sample number beyond the block") << csv("1,301,128,0,0\n") << 2 << "sample";
    QTest::newRow("a level that is not value - 128") << csv("1,1,130,0,3\n") << 2 << "level";
    QTest::newRow("a time that is not a number") << csv("1,1,130,x,2\n") << 2 << "time_ms";
    QTest::newRow("a block number going back")
        << csv("2,1,128,0,0\n1,1,128,0,0\n") << 3 << "comes after block 2";
    QTest::newRow("a sample repeated within its block")
        << csv("1,5,128,0,0\n1,5,128,0,0\n") << 3 << "comes after sample 5";
    QTest::newRow("a block cut short before the last is no recording cut short")
        << csv(rows(1, 1, 150) + whole(2)) << 152 << "after only 150 rows of block 1";
    QTest::newRow("an empty line between rows")
        << csv("1,1,128,0,0\n\n1,2,128,0,0\n") << 3 << "empty line";
}

void TestBlockStats::faultyFileIsRefusedAtItsLine()
{
    QFETCH(std::string, file);
    QFETCH(int, line);
    QFETCH(QString, reasonHas);
    std::istringstream input(file);
    int blocks = 0;
    const CaptureCsv::ReadError error =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock&) { ++blocks; }).error;
    QCOMPARE(error.line, line);
    QVERIFY2(QString::fromStdString(error.reason).contains(reasonHas), error.reason.c_str());
    // Blocks before the fault may have been handed over; the caller throws them away.
    QVERIFY(blocks <= 1);
}

QTEST_APPLESS_MAIN(TestBlockStats)
#include "tst_blockstats.moc"
