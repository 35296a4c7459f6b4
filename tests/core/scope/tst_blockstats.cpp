// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking-error figures of runs worked out by hand, and the capture file read back: its
// rows become the blocks they were written from, a recording cut short inside its last block
// gives back the whole blocks before it, and a file that is not a capture is refused at the line
// at fault.

#include "capture/CaptureCsv.h"
#include "core/scope/BlockStats.h"

#include <QTest>

#include <cmath>
#include <sstream>
#include <vector>

namespace {
// A block of `count` samples at each value in turn, from sample 1 on.
SampleBlock block(std::initializer_list<std::pair<int, quint8>> runs)
{
    SampleBlock made;
    int sample = 0;
    for (const auto& [count, value] : runs)
        for (int i = 0; i < count; ++i)
            made.entry[++sample] = value;
    return made;
}

std::string csv(const std::string& rows)
{
    return std::string(CaptureCsv::kHeader) + "\n" + rows;
}

// Sample s of block b is worth (7 b + s) % 256, so every block's rows differ.
int valueOf(long long block, int sample)
{
    return static_cast<int>((7 * block + sample) % 256);
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
    return rows(block, 1, kBlockSize);
}
} // namespace

class TestBlockStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figuresOfKnownRuns_data();
    void figuresOfKnownRuns();
    void wholeBlocksAreReadAndATornLastOneLeftOut_data();
    void wholeBlocksAreReadAndATornLastOneLeftOut();
    void faultyFileIsRefusedAtItsLine_data();
    void faultyFileIsRefusedAtItsLine();
};

void TestBlockStats::figuresOfKnownRuns_data()
{
    using Figures = BlockStats::Figures; // samples, minimum, maximum, peak, mean, RMS, SD
    QTest::addColumn<QList<SampleBlock>>("blocks");
    QTest::addColumn<Figures>("figures");
    QTest::newRow("a flat block off centre has no spread")
        << QList{block({{300, 133}})} << Figures{300, 5, 5, 5, 5, 5, 0};
    // Half at -10, half at +10: mean 0, every square 100.
    QTest::newRow("a square wave's RMS and SD are its amplitude")
        << QList{block({{150, 118}, {150, 138}})} << Figures{300, -10, 10, 10, 0, 10, 10};
    // 299 at centre and one at -100: mean -1/3, mean square 10000/300.
    const double outlier = 10000.0 / 300;
    QTest::newRow("one outlier sets the peak and lifts the RMS")
        << QList{block({{299, 128}, {1, 28}})}
        << Figures{300, -100, 0, 100, -1.0 / 3, std::sqrt(outlier), std::sqrt(outlier - 1.0 / 9)};
    // Levels -3 and +1: the peak is the larger absolute level, though the maximum is +1.
    QTest::newRow("a negative peak counts by its size")
        << QList{block({{1, 125}, {1, 129}})} << Figures{2, -3, 1, 3, -1, std::sqrt(5.0), 2};
    // Levels -10, +10 and +100, the block between them received nothing: mean 100/3, mean
    // square 10200/3.
    const double run = 10200.0 / 3;
    QTest::newRow("a run is its blocks' samples together")
        << QList{block({{1, 118}, {1, 138}}), SampleBlock{}, block({{1, 228}})}
        << Figures{3, -10, 100, 100, 100.0 / 3, std::sqrt(run), std::sqrt(run - 10000.0 / 9)};
}

void TestBlockStats::figuresOfKnownRuns()
{
    QFETCH(QList<SampleBlock>, blocks);
    QFETCH(BlockStats::Figures, figures);
    BlockStats::Accumulator run;
    for (const SampleBlock& b : blocks)
        run.add(BlockStats::sumsOf(b));
    QVERIFY(!BlockStats::sumsOf(SampleBlock{}).figures());
    const std::optional<BlockStats::Figures> f = run.figures();
    QVERIFY(f);
    QCOMPARE(f->samples, figures.samples);
    QCOMPARE(f->minimum, figures.minimum);
    QCOMPARE(f->maximum, figures.maximum);
    QCOMPARE(f->peak, figures.peak);
    for (const auto& [got, wanted] : {std::pair{f->mean, figures.mean},
                                      {f->rms, figures.rms},
                                      {f->standardDeviation, figures.standardDeviation}})
        QVERIFY2(std::abs(got - wanted) < 1e-9, qPrintable(QString::number(got)));
}

void TestBlockStats::wholeBlocksAreReadAndATornLastOneLeftOut_data()
{
    QTest::addColumn<std::string>("kept"); // the whole blocks, which the reader hands over
    QTest::addColumn<std::string>("torn"); // what a write cut short left after them
    QTest::addColumn<QList<long long>>("blocks");
    QTest::addColumn<int>("missing"); // samples of the blocks handed over not in the file
    QTest::addColumn<int>("droppedFromLine");
    // Line 1 is the header; a whole block takes 300 lines. The capture may leave out a block's
    // 300th sample: 299 rows are a whole block.
    QTest::newRow("CR LF, a sample not received, blocks numbered on from an earlier Start")
        << csv(rows(4, 1, 1, "\r\n") + rows(4, 3, 300, "\r\n") + rows(7, 1, 299, "\r\n"))
        << std::string("\r\n\r\n") << QList<long long>{4, 7} << 2 << 0;
    QTest::newRow("a row cut mid-way after a whole block is the only loss")
        << csv(whole(1) + whole(2)) << std::string("3,1,1") << QList<long long>{1, 2} << 0 << 602;
    QTest::newRow("a block cut at a row end is left out from its first row")
        << csv(whole(1)) << rows(2, 1, 150) << QList<long long>{1} << 0 << 302;
    QTest::newRow("a first block cut mid-row leaves the header alone")
        << csv("") << rows(1, 1, 2) + "1,3,1" << QList<long long>{} << 0 << 2;
    QTest::newRow("a UTF-8 byte-order mark before the header is passed over")
        << "\xEF\xBB\xBF" + csv(whole(1)) << std::string() << QList<long long>{1} << 0 << 0;
    QTest::newRow("a 300th row cut short leaves its block whole")
        << csv(rows(1, 1, 299)) << std::string("1,300,1") << QList<long long>{1} << 1 << 301;
}

void TestBlockStats::wholeBlocksAreReadAndATornLastOneLeftOut()
{
    QFETCH(std::string, kept);
    QFETCH(std::string, torn);
    QFETCH(QList<long long>, blocks);
    QFETCH(int, missing);
    QFETCH(int, droppedFromLine);
    std::istringstream input(kept + torn);
    QList<long long> handedOver;
    int notInFile = 0;
    int wrongValues = 0;
    const CaptureCsv::ReadResult file =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& b) {
            handedOver << b.number;
            for (int s = 1; s <= kBlockSize; ++s) {
                const int value = b.value[s - 1];
                notInFile += value == CaptureCsv::kMissing;
                wrongValues += value != CaptureCsv::kMissing && value != valueOf(b.number, s);
            }
        });
    QVERIFY2(file.error.line == 0, CaptureCsv::describe(file.error).c_str());
    QCOMPARE(handedOver, blocks);
    QCOMPARE(notInFile, missing);
    QCOMPARE(wrongValues, 0);
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
    const CaptureCsv::ReadError error =
        CaptureCsv::read(input, [](const CaptureCsv::RecordedBlock&) {}).error;
    QCOMPARE(error.line, line);
    QVERIFY2(QString::fromStdString(error.reason).contains(reasonHas), error.reason.c_str());
}

QTEST_APPLESS_MAIN(TestBlockStats)
#include "tst_blockstats.moc"
