// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking-error figures of blocks worked out by hand, and the capture file read back:
// its rows become the blocks they were written from, and a file that is not a capture is refused
// at the line at fault.

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
} // namespace

class TestBlockStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figuresOfKnownBlocks_data();
    void figuresOfKnownBlocks();
    void runFiguresAreThoseOfAllItsSamples();
    void captureFileGivesBackItsBlocks();
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
    // CR LF line ends, a sample left out, and blocks numbered on from an earlier Start.
    std::istringstream input(csv("4,1,130,0,2\r\n4,3,120,3.82,-8\r\n7,1,0,0,-128\r\n\r\n"));
    std::vector<CaptureCsv::RecordedBlock> blocks;
    const CaptureCsv::ReadError error =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& b) { blocks.push_back(b); });
    QCOMPARE(error.line, 0);
    QCOMPARE(blocks.size(), 2u);
    QCOMPARE(blocks[0].number, 4);
    QCOMPARE(blocks[0].value[0], 130);
    QCOMPARE(blocks[0].value[1], CaptureCsv::kMissing);
    QCOMPARE(blocks[0].value[2], 120);
    QCOMPARE(blocks[0].value[299], CaptureCsv::kMissing);
    QCOMPARE(blocks[1].number, 7);
    QCOMPARE(blocks[1].value[0], 0);
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
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock&) { ++blocks; });
    QCOMPARE(error.line, line);
    QVERIFY2(QString::fromStdString(error.reason).contains(reasonHas), error.reason.c_str());
    // Blocks before the fault may have been handed over; the caller throws them away.
    QVERIFY(blocks <= 1);
}

QTEST_APPLESS_MAIN(TestBlockStats)
#include "tst_blockstats.moc"
