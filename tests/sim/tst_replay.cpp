// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated chip replaying a recording: the recorded blocks go out whole and in order at the
// line rate, the stream ends after the last one until the scope is started again (or starts over
// with --loop), and a capture file is read into blocks as the program itself reads it, samples
// it lacks filled in and a torn last block left out.
#include "ChipModel.h"
#include "Recording.h"

#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <fstream>
#include <string>

using namespace std::chrono_literals;
using kdsp::ChipModel;
using kdsp::SimTime;

namespace {
constexpr SimTime kStep = 1ms;
constexpr std::size_t kBlock = kdsp::kBlockSamples;

// Three blocks, each flat at its own value, so the order shows.
std::shared_ptr<const kdsp::RecordedBlocks> threeBlocks()
{
    return std::make_shared<const kdsp::RecordedBlocks>(
        kdsp::RecordedBlocks{std::string(kBlock, char(10)), std::string(kBlock, char(20)),
                             std::string(kBlock, char(30))});
}

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

std::string writeFile(const QTemporaryDir& folder, const std::string& text)
{
    const std::string path = folder.filePath("recording.csv").toStdString();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}
} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordedBlocksGoOutInOrder_data();
    void recordedBlocksGoOutInOrder();
    void recordingIsReadIntoWholeBlocks();
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
    config.replay = threeBlocks();
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

void TestReplay::recordingIsReadIntoWholeBlocks()
{
    QTemporaryDir folder;
    // Block 2 lacks its first sample, block 5 its last; block 6, from line 600, was cut short.
    std::string text = "block,sample,value,time_ms,level\n";
    for (int sample = 2; sample <= 300; ++sample)
        text += "2," + std::to_string(sample) + ",140,1.91,12\n";
    for (int sample = 1; sample < 300; ++sample)
        text += "5," + std::to_string(sample) + ",100,0,-28\n";
    text += "6,1,50,0,-78\n6,2,5";
    kdsp::LoadedRecording loaded = kdsp::loadRecording(writeFile(folder, text));
    QVERIFY2(loaded.blocks, loaded.error.c_str());
    QCOMPARE(loaded.blocks->size(), 2u);
    // The centre before any sample, then sample 2 onwards.
    QCOMPARE((*loaded.blocks)[0], char(128) + std::string(kBlock - 1, char(140)));
    QCOMPARE((*loaded.blocks)[1], std::string(kBlock, char(100)));
    QCOMPARE(loaded.filledSamples, std::size_t(2));
    QVERIFY2(loaded.note.find("line 600") != std::string::npos, loaded.note.c_str());

    // A file without a block would replay as a dead chip; the reader's faults are its own test's.
    loaded = kdsp::loadRecording(writeFile(folder, "block,sample,value,time_ms,level\n"));
    QVERIFY(!loaded.blocks);
    QVERIFY2(loaded.error.find("no block") != std::string::npos, loaded.error.c_str());
}

QTEST_APPLESS_MAIN(TestReplay)
#include "tst_replay.moc"
