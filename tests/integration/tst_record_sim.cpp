// SPDX-License-Identifier: GPL-3.0-or-later
// Recording from the window (--record) on the real port against the simulated chip replaying a
// recording of its own: the file holds exactly the blocks the scope drew, numbered on across
// Start and Stop, each one a block the chip sent; a right click's redraw is not a new block; a
// window killed mid-run leaves a file that reads back as whole blocks the chip sent, in order.
// A recording that goes on in a file cut short loses the torn block first and numbers on; a file
// that cannot take a recording is refused at the start and left as it was. All of it holds for a
// recording compressed as gzip (FILE.csv.gz), whose torn end is a cut member.

#include "support/SimulatedWindow.h"

#include "capture/CaptureFile.h"
#include "capture/CaptureOutput.h"
#include "core/scope/CsvRows.h"
#include "core/scope/ScopeControl.h"
#include "support/TestFiles.h"
#include "core/record/Recorder.h"
#include "window/ScopeSurface.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>

namespace {
constexpr int kBlockTimeoutMs = 5000;
constexpr int kSentBlocks = 6;
// This test run again as a child: a window that records into the file named here, from the
// device named in kChildDevice, until it is killed.
const char* const kChildRecording = "TREVALON_TEST_RECORD_INTO";
const char* const kChildDevice = "TREVALON_TEST_RECORD_FROM";
constexpr int kBlocksBeforeKill = 4;
// The child's chip replays this many blocks, more than it takes to the kill, all different.
constexpr int kKillRunBlocks = 30;
const QByteArray kHeader = "block,sample,value,time_ms,level\n";

// Block k (from 1) of the chip's recording: a ramp that starts at 40 k, so that the first 32
// blocks differ from each other.
quint8 sentValue(int block, int sample)
{
    return static_cast<quint8>((40 * block + sample) % 256);
}

SampleBlock sentBlock(int block, int samples = kBlockSize)
{
    SampleBlock sent;
    for (int sample = 1; sample <= samples; ++sample)
        sent.entry[sample] = sentValue(block, sample);
    return sent;
}

QByteArray rowsOf(int number, const SampleBlock& block, double timeGrid)
{
    return QByteArray::fromStdString(CsvRows::Maker().rowsOf(number, block, timeGrid));
}

QByteArray sentRecording(int blocks)
{
    QByteArray text = kHeader;
    for (int block = 1; block <= blocks; ++block)
        text += rowsOf(block, sentBlock(block), 0);
    return text;
}

// `pieces` as a recording compressed as gzip holds them: a member each.
QByteArray gzipped(const QList<QByteArray>& pieces)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("pieces.gz"));
    std::string error;
    auto output = CaptureCsv::CaptureOutput::create(path.toStdString(), error);
    for (const QByteArray& piece : pieces)
        output->write(piece.toStdString());
    output.reset();
    return TestFiles::readAll(path);
}

// The blocks a capture file holds, as long as it reads.
int blocksIn(const QString& path)
{
    int blocks = 0;
    CaptureFile::read(path.toStdString(), [&](const CaptureCsv::RecordedBlock&) { ++blocks; });
    return blocks;
}

// The chip's recording of `blocks` blocks as a file in `folder`; empty if it was not written.
QString sentFile(const QTemporaryDir& folder, int blocks)
{
    const QString path = folder.filePath(QStringLiteral("sent.csv"));
    return TestFiles::writeFile(path, sentRecording(blocks)) ? path : QString();
}

// Which of the chip's first `sent` blocks the drawn block is, on every sample received; 0 for
// none.
int sentIndex(const SampleBlock& drawn, int sent = kSentBlocks)
{
    const quint8 first = drawn.entry[1].value_or(0);
    for (int block = 1; block <= sent; ++block) {
        if (sentValue(block, 1) != first)
            continue;
        for (int i = 1; i <= kBlockSize; ++i)
            if (drawn.entry[i] && *drawn.entry[i] != sentValue(block, i))
                return 0;
        return block;
    }
    return 0;
}
} // namespace

class TestRecordSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordingHoldsExactlyTheBlocksDrawn();
    void windowKilledMidRunLeavesWholeBlocks_data();
    void windowKilledMidRunLeavesWholeBlocks();
    void recordingStartsOnWhatItsFileHolds_data();
    void recordingStartsOnWhatItsFileHolds();
};

void TestRecordSim::recordingHoldsExactlyTheBlocksDrawn()
{
    QTemporaryDir folder;
    const QString recorded = folder.filePath("recorded.csv");
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--replay", sentFile(folder, kSentBlocks), "--loop"}),
             qPrintable(w.chip.errorString()));
    QString error;
    const std::unique_ptr<Recorder> recorder =
        Recorder::start(recorded, w.fo.core(), error);
    QVERIFY2(recorder, qPrintable(error));

    QList<SampleBlock> drawn;
    QObject::connect(&w.fo.core(), &Core::blockDrawn, &w.fo,
                     [&](const SampleBlock& block) { drawn << block; });
    // Two runs: numbering goes on across Stop and Start.
    for (const int wanted : {3, 5}) {
        QTest::mouseClick(w.fo.Be, Qt::LeftButton);
        QVERIFY(waitUntil([&] { return drawn.size() >= wanted; }, kBlockTimeoutMs));
        QTest::mouseClick(w.fo.Ki, Qt::LeftButton);
    }
    const qsizetype captured = drawn.size();
    // The right button redraws the last block: drawn again, but no block from the chip.
    QTest::mouseClick(w.fo.Rajz, Qt::RightButton, {}, QPoint(300, 200));
    QCOMPARE(drawn.size(), captured + 1);
    QCOMPARE(recorder->blocksWritten(), captured);

    QByteArray expected = kHeader;
    const double grid = 1.909; // the chip's default timing digit 4
    for (qsizetype i = 0; i < captured; ++i) {
        QVERIFY2(sentIndex(drawn[i]) != 0, qPrintable(QStringLiteral("block %1").arg(i + 1)));
        expected += rowsOf(static_cast<int>(i + 1), drawn[i], grid);
    }
    QCOMPARE(TestFiles::readAll(recorded), expected);
    QCOMPARE(w.reports(), QStringList{});
}

void TestRecordSim::windowKilledMidRunLeavesWholeBlocks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("CSV") << "killed.csv";
    QTest::newRow("gzip") << "killed.csv.gz";
}

void TestRecordSim::windowKilledMidRunLeavesWholeBlocks()
{
    QFETCH(QString, name);
    QTemporaryDir folder;
    const QString recorded = folder.filePath(name);
    SimulatedChip chip;
    QVERIFY2(chip.start({"--replay", sentFile(folder, kKillRunBlocks)}),
             qPrintable(chip.errorString()));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildRecording, recorded);
    environment.insert(kChildDevice, chip.devicePath());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY(
        waitUntil([&] { return blocksIn(recorded) >= kBlocksBeforeKill; }, kBlockTimeoutMs * 2));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());

    // A block goes to the file in one write, but the kernel may end a write cut short by a
    // fatal signal at a page boundary, so the kill may tear the block being written. What the
    // file reads back as is whole blocks all the same, numbered from 1, each one the chip sent,
    // in the order it sent them; a torn block is left out, and only after them.
    long long blocks = 0;
    int lastSent = 0;
    int rowsRead = 0;
    QString fault;
    const CaptureFile::ReadResult read =
        CaptureFile::read(recorded.toStdString(), [&](const CaptureCsv::RecordedBlock& b) {
            SampleBlock drawn;
            int received = 0;
            for (int i = 0; i < kBlockSize; ++i)
                if (b.value[i] != CaptureCsv::kMissing && ++received)
                    drawn.entry[i + 1] = static_cast<quint8>(b.value[i]);
            // Whole: the capture threshold may leave out the last sample, no more.
            const int sent = sentIndex(drawn, kKillRunBlocks);
            if (b.number != ++blocks || received < kBlockSize - 1 || sent <= lastSent)
                fault += QString::asprintf("block %lld: %d samples, sent block %d\n", b.number,
                                           received, sent);
            lastSent = sent;
            rowsRead += received;
        });
    const CaptureCsv::ReadResult& file = read.rows;
    QVERIFY2(read.fine(), CaptureFile::describeFault(read).c_str());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(blocks >= kBlocksBeforeKill);
    // The header, the whole blocks' rows, then the torn block if there is one.
    QVERIFY(file.droppedFromLine == 0 || file.droppedFromLine == rowsRead + 2);
}

void TestRecordSim::recordingStartsOnWhatItsFileHolds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file is made
    QTest::addColumn<QByteArray>("kept");    // what a recording keeps; empty: it is refused
    QTest::addColumn<QString>("reasonHas");
    // One whole block, then half a block and a row torn by a crash: the torn block is cut off.
    const QByteArray whole = sentRecording(1);
    const QByteArray torn = rowsOf(2, sentBlock(2, 150), 0) + "2,1";
    QTest::newRow("a recording cut short goes on after its last whole block")
        << "run.csv" << whole + torn << whole << QString();
    const QByteArray wholeMembers = gzipped({kHeader, rowsOf(1, sentBlock(1), 0)});
    QTest::newRow("a gzip recording cut short goes on after its last whole member")
        << "run.csv.gz" << wholeMembers + gzipped({torn}).left(40) << wholeMembers << QString();
    QTest::newRow("a folder that does not exist")
        << "missing/run.csv" << QByteArray() << QByteArray() << "missing/run.csv";
    QTest::newRow("a setup file is not added to")
        << "Setup.txt" << QByteArray("KDSP registers\r\n") << QByteArray() << "not a capture file";
}

void TestRecordSim::recordingStartsOnWhatItsFileHolds()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, kept);
    QFETCH(QString, reasonHas);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (!content.isEmpty())
        QVERIFY(TestFiles::writeFile(path, content));
    SimulatedWindow w;
    QString error;
    const std::unique_ptr<Recorder> recorder =
        Recorder::start(path, w.fo.core(), error);
    if (kept.isEmpty()) {
        QVERIFY(!recorder);
        QVERIFY2(error.contains(reasonHas), qPrintable(error));
        QCOMPARE(TestFiles::readAll(path), content);
        return;
    }
    QVERIFY2(recorder, qPrintable(error));
    QCOMPARE(TestFiles::readAll(path), kept);
    // The next block drawn is numbered on: block 2, right after block 1's rows.
    CoreInsides::drawReceivedBlock(w.fo.core(), sentBlock(3));
    const QByteArray rows = rowsOf(2, sentBlock(3), w.fo.core().timeGrid());
    QCOMPARE(TestFiles::readAll(path),
             kept + (name.endsWith(QLatin1String(".gz")) ? gzipped({rows}) : rows));
}

// The child: records until it is killed.
int recordUntilKilled(const QString& path, const QString& device)
{
    SimulatedWindow w;
    w.mapPort(device);
    QString error;
    const std::unique_ptr<Recorder> recorder =
        Recorder::start(path, w.fo.core(), error);
    if (!recorder)
        return 1;
    w.fo.core().startScope();
    return QApplication::exec();
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildRecording))
        return recordUntilKilled(qEnvironmentVariable(kChildRecording),
                                 qEnvironmentVariable(kChildDevice));
    TestRecordSim test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_record_sim.moc"
