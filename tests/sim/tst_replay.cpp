// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated chip replaying a recording: the recorded blocks go out whole and in order at the
// line rate, the stream ends after the last one until the scope is started again (or starts over
// with --loop), and a capture file is read into blocks as the program itself reads it, samples
// it lacks filled in, a torn last block or a fault part-way ending the replay before it, a few
// blocks ahead of the chip and never the whole file before the first block.
#include "ChipModel.h"
#include "Recording.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using kdsp::ChipModel;
using kdsp::SimTime;

namespace {
constexpr SimTime kStep = 1ms;
constexpr std::size_t kBlock = kdsp::kBlockSamples;
const std::string kHeader = "block,sample,value,time_ms,level\n";
// Stands for the end of a pass among the blocks' first and last bytes.
constexpr char kEndOfPass = '|';

// Three blocks, each flat at its own value, so the order shows; after the third, an end, then
// the first again, as a recording read anew.
class ThreeBlocks : public kdsp::BlockSource
{
public:
    std::optional<std::string> next() override
    {
        const int index = m_next++ % 4;
        if (index == 3)
            return std::nullopt;
        return std::string(kBlock, char(10 * (index + 1)));
    }

private:
    int m_next = 0;
};

// The first byte of each block in `out`, which must be whole blocks.
std::string blockMarks(const std::string& out)
{
    std::string marks;
    for (std::size_t i = 0; i < out.size(); i += kBlock)
        marks.push_back(out[i]);
    return marks;
}

// With readerCycles the reader closes and reopens the line after every block, as the scope does.
std::string runFor(ChipModel& model, SimTime from, SimTime to, bool readerCycles)
{
    std::string out;
    for (SimTime t = from; t <= to; t += kStep) {
        const std::string taken = model.takeOutput(t);
        if (readerCycles && !taken.empty())
            model.readerReady();
        out += taken;
    }
    return out;
}

// The rows of samples `first` to `last` of block `number`, each worth `value`.
std::string blockRows(int number, int value, int first = 1, int last = int(kBlock))
{
    const std::string tail = "," + std::to_string(value) + ",1.91," + std::to_string(value - 128);
    std::string rows;
    for (int sample = first; sample <= last; ++sample)
        rows += std::to_string(number) + "," + std::to_string(sample) + tail + "\n";
    return rows;
}

std::string writeFile(const QTemporaryDir& folder, const std::string& text)
{
    const std::string path = folder.filePath("recording.csv").toStdString();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Each block's first and last byte, and kEndOfPass for each end, until `passes` ends.
std::string readPasses(kdsp::BlockSource& source, int passes)
{
    std::string marks;
    while (passes > 0) {
        const std::optional<std::string> block = source.next();
        if (!block) {
            marks.push_back(kEndOfPass);
            --passes;
            continue;
        }
        if (block->size() != kBlock)
            return "a block of " + std::to_string(block->size()) + " bytes";
        marks += {block->front(), block->back()};
    }
    return marks;
}

// How long `path` takes to open up to its first block, best of a few tries; with `wholePass`,
// to be read to its end instead.
std::chrono::nanoseconds timeToRead(const std::string& path, bool wholePass)
{
    constexpr int kTries = 3;
    std::chrono::nanoseconds best = std::chrono::nanoseconds::max();
    for (int i = 0; i < kTries; ++i) {
        QElapsedTimer timer;
        timer.start();
        const kdsp::OpenedRecording opened = kdsp::RecordingReader::open(path, {});
        if (!opened.reader)
            return best;
        while (opened.reader->next() && wholePass) {
        }
        best = std::min(best, std::chrono::nanoseconds(timer.nsecsElapsed()));
    }
    return best;
}
} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordedBlocksGoOutInOrder_data();
    void recordedBlocksGoOutInOrder();
    void recordingIsReadAsItIsReplayed_data();
    void recordingIsReadAsItIsReplayed();
    void longRecordingStartsAtOnceAndIsReadAhead();
};

void TestReplay::recordedBlocksGoOutInOrder_data()
{
    QTest::addColumn<bool>("loop");
    QTest::addColumn<bool>("readerCycles");
    QTest::addColumn<QByteArray>("firstRun");
    QTest::addColumn<QByteArray>("afterRestart");
    // 26 ms a block: 150 ms has room for five, the recording holds three.
    QTest::newRow("the stream ends after the last block and a new start begins anew")
        << false << true << QByteArray("\x0a\x14\x1e") << QByteArray("\x0a\x14");
    QTest::newRow("with loop the first block follows the last")
        << true << true << QByteArray("\x0a\x14\x1e\x0a\x14") << QByteArray("\x1e\x0a");
    // Each block waits for the reader; one that is not seen to reopen gets one every 52 ms (26,
    // 78, 130), and after the last a new start begins anew (326; 378 is too late).
    QTest::newRow("a reader not seen to reopen gets a block every two line times")
        << false << false << QByteArray("\x0a\x14\x1e") << QByteArray("\x0a");
}

void TestReplay::recordedBlocksGoOutInOrder()
{
    QFETCH(bool, loop);
    QFETCH(bool, readerCycles);
    QFETCH(QByteArray, firstRun);
    QFETCH(QByteArray, afterRestart);
    kdsp::ChipConfig config;
    config.replay = std::make_shared<ThreeBlocks>();
    config.replayLoop = loop;
    ChipModel model(config);
    model.receive("J1000\r", 0ms);
    const std::string first = runFor(model, 0ms, 150ms, readerCycles);
    QCOMPARE(first.size() % kBlock, 0u);
    QCOMPARE(QByteArray::fromStdString(blockMarks(first)), firstRun);
    QCOMPARE(first.substr(kBlock, kBlock), std::string(kBlock, char(20)));

    // Stopped: only the stop's answer; started again some time later: two blocks in 60 ms.
    model.receive("q\r", 200ms);
    const std::string stopped = runFor(model, 200ms, 300ms, readerCycles);
    QVERIFY(stopped.size() < kBlock); // the stop's answer, no block
    model.receive("J1000\r", 300ms);
    const std::string second = runFor(model, 300ms, 360ms, readerCycles);
    QCOMPARE(QByteArray::fromStdString(blockMarks(second)), afterRestart);
}

void TestReplay::recordingIsReadAsItIsReplayed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("passes");
    // Each block's first and last byte, and | for each end of the recording.
    QTest::addColumn<QByteArray>("marks");
    // What standard error is told as the replay reaches the end, or why the file is refused
    // before anything is sent.
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("refusal");

    // Block 2 lacks its first sample (the centre, 128, stands in), block 5 its last (the one
    // before stands in); block 6, from line 600, was cut short.
    const std::string torn =
        kHeader + blockRows(2, 140, 2) + blockRows(5, 100, 1, 299) + "6,1,50,1.91,-78\n6,2,5";
    QTest::newRow("missing samples are filled in and a torn last block is left out with a note")
        << QByteArray::fromStdString(torn) << 1 << QByteArray("\x80\x8c\x64\x64|")
        << QStringLiteral("from line 600 on, is left out") << QString();
    const std::string plain = kHeader + blockRows(1, 10) + blockRows(2, 20);
    QTest::newRow("the recording is read again from its first block after its end")
        << QByteArray::fromStdString(plain) << 3
        << QByteArray("\x0a\x0a\x14\x14|\x0a\x0a\x14\x14|\x0a\x0a\x14\x14|") << QString()
        << QString();
    // Line 603 is block 3's second row; its block is never sent, and the note is given once.
    const std::string damaged = kHeader + blockRows(1, 10) + blockRows(2, 20) +
                                blockRows(3, 30, 1, 1) + "3,2,300,1.91,172\n" +
                                blockRows(3, 30, 3) + blockRows(4, 40);
    QTest::newRow("a fault part-way ends each pass at the whole block before it, with a note")
        << QByteArray::fromStdString(damaged) << 2
        << QByteArray("\x0a\x0a\x14\x14|\x0a\x0a\x14\x14|")
        << QStringLiteral("line 603: the value is not a whole number from 0 to 255") << QString();
    // A replay of nothing would look like a dead chip.
    QTest::newRow("a file without a block is refused")
        << QByteArray::fromStdString(kHeader) << 0 << QByteArray() << QString()
        << QStringLiteral("the file holds no block");
    QTest::newRow("a file damaged before its first block is whole is refused")
        << QByteArray::fromStdString(kHeader + blockRows(1, 10, 1, 5) + "1,6,10,1.91,0\n" +
                                     blockRows(1, 10, 7) + blockRows(2, 20))
        << 0 << QByteArray() << QString()
        << QStringLiteral("line 7: the level is not the value less 128");
}

void TestReplay::recordingIsReadAsItIsReplayed()
{
    QFETCH(QByteArray, text);
    QFETCH(int, passes);
    QFETCH(QByteArray, marks);
    QFETCH(QString, note);
    QFETCH(QString, refusal);
    QTemporaryDir folder;
    const std::string path = writeFile(folder, text.toStdString());
    std::vector<std::string> notes;
    const kdsp::OpenedRecording opened = kdsp::RecordingReader::open(
        path, [&notes](const std::string& text) { notes.push_back(text); });
    if (!refusal.isEmpty()) {
        QVERIFY(!opened.reader);
        QVERIFY2(opened.error.starts_with(path + ": ") &&
                     opened.error.find(refusal.toStdString()) != std::string::npos,
                 opened.error.c_str());
        return;
    }
    QVERIFY2(opened.reader, opened.error.c_str());
    QCOMPARE(QByteArray::fromStdString(readPasses(*opened.reader, passes)), marks);
    QCOMPARE(notes.size(), note.isEmpty() ? 0u : 1u);
    if (!note.isEmpty())
        QVERIFY2(notes.front().find(note.toStdString()) != std::string::npos,
                 notes.front().c_str());
}

void TestReplay::longRecordingStartsAtOnceAndIsReadAhead()
{
    // Some seven minutes at the line rate: read whole before its first block, as it once was,
    // it takes far more than the first block alone.
    constexpr int kLongBlocks = 3000;
    constexpr int kFasterThanWhole = 20;
    QTemporaryDir folder;
    std::string text = kHeader;
    for (int block = 1; block <= kLongBlocks; ++block)
        text += blockRows(block, block % 256);
    const std::string path = writeFile(folder, text);
    text.clear();

    const auto first = timeToRead(path, false);
    const auto whole = timeToRead(path, true);
    QVERIFY2(first * kFasterThanWhole < whole,
             qPrintable(QStringLiteral("first block after %1 ms, the whole file in %2 ms")
                            .arg(first.count() / 1e6)
                            .arg(whole.count() / 1e6)));

    // However long the chip dawdles, the reader stays a few blocks ahead of it.
    const kdsp::OpenedRecording opened = kdsp::RecordingReader::open(path, {});
    QVERIFY(opened.reader);
    constexpr int kTaken = 3;
    for (int i = 0; i < kTaken; ++i)
        QVERIFY(opened.reader->next());
    const std::uint64_t ahead = kTaken + kdsp::RecordingReader::kReadAhead;
    for (int waited = 0; opened.reader->blocksRead() < ahead && waited < 5000; waited += 10)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    QCOMPARE(opened.reader->blocksRead(), ahead);
}

QTEST_APPLESS_MAIN(TestReplay)
#include "tst_replay.moc"
