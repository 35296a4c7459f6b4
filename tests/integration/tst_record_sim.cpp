// SPDX-License-Identifier: GPL-3.0-or-later
// Recording from the window (--record) on the real port against the simulated chip replaying a
// recording of its own: the file holds exactly the blocks the scope drew, numbered on across
// Start and Stop, each one a block the chip sent; a right click's redraw is not a new block; a
// window killed mid-run leaves whole blocks. A file that cannot take a recording is refused at
// the start and left as it was.

#include "support/SimulatedWindow.h"

#include "core/scope/CaptureCsv.h"
#include "core/scope/CsvRows.h"
#include "core/scope/ScopeControl.h"
#include "support/TestFiles.h"
#include "window/Recorder.h"
#include "window/ScopeSurface.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sstream>

namespace {
constexpr int kBlockTimeoutMs = 5000;
constexpr int kSentBlocks = 6;
// This test run again as a child: a window that records into the file named here, from the
// device named in kChildDevice, until it is killed.
const char* const kChildRecording = "TREVALON_TEST_RECORD_INTO";
const char* const kChildDevice = "TREVALON_TEST_RECORD_FROM";
constexpr int kBlocksBeforeKill = 4;
// A block's rows are never longer than this ("123,300,255,1234.56,127\n" is 24 bytes).
constexpr qint64 kBlockRowsSize = 300 * 24;
const QByteArray kHeader = "block,sample,value,time_ms,level\n";

// Block k (from 1) of the chip's recording: a ramp that starts at 40 k, so each block differs.
quint8 sentValue(int block, int sample)
{
    return static_cast<quint8>((40 * block + sample) % 256);
}

QByteArray sentRecording()
{
    QByteArray text = kHeader;
    for (int block = 1; block <= kSentBlocks; ++block)
        for (int sample = 1; sample <= kBlockSize; ++sample)
            text += QByteArray::number(block) + ',' + QByteArray::number(sample) + ',' +
                    QByteArray::number(sentValue(block, sample)) + ",0," +
                    QByteArray::number(sentValue(block, sample) - 128) + '\n';
    return text;
}

// Whether the drawn block is one the chip sent, on every sample received.
bool wasSent(const SampleBlock& drawn)
{
    const quint8 first = drawn.entry[1].value_or(0);
    for (int block = 1; block <= kSentBlocks; ++block) {
        if (sentValue(block, 1) != first)
            continue;
        for (int i = 1; i <= kBlockSize; ++i)
            if (drawn.entry[i] && *drawn.entry[i] != sentValue(block, i))
                return false;
        return true;
    }
    return false;
}
} // namespace

class TestRecordSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordingHoldsExactlyTheBlocksDrawn();
    void windowKilledMidRunLeavesWholeBlocks();
    void fileThatCannotTakeARecordingIsRefused_data();
    void fileThatCannotTakeARecordingIsRefused();
};

void TestRecordSim::recordingHoldsExactlyTheBlocksDrawn()
{
    QTemporaryDir folder;
    const QString sent = folder.filePath("sent.csv");
    const QString recorded = folder.filePath("recorded.csv");
    QVERIFY(TestFiles::writeFile(sent, sentRecording()));
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--replay", sent, "--loop"}), qPrintable(w.chip.errorString()));
    QString error;
    std::unique_ptr<Recorder> recorder = Recorder::start(recorded, w.fo.core(), *w.fo.Rajz, error);
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
        QVERIFY2(wasSent(drawn[i]), qPrintable(QStringLiteral("block %1").arg(i + 1)));
        expected += CsvRows::forBlock(static_cast<int>(i + 1), drawn[i], grid).toUtf8();
    }
    QCOMPARE(TestFiles::readAll(recorded), expected);
    QCOMPARE(w.reports(), QStringList{});

    // A second run of the program adds to the file after the blocks it holds.
    recorder.reset();
    const std::unique_ptr<Recorder> again =
        Recorder::start(recorded, w.fo.core(), *w.fo.Rajz, error);
    QVERIFY2(again, qPrintable(error));
    const SampleBlock first = drawn.first(); // drawn grows while the block is drawn
    w.fo.core().drawBlock(first, 0);
    QCOMPARE(TestFiles::readAll(recorded),
             expected + CsvRows::forBlock(static_cast<int>(captured + 1), first, grid).toUtf8());
}

void TestRecordSim::windowKilledMidRunLeavesWholeBlocks()
{
    SimulatedChip chip;
    QVERIFY2(chip.start(), qPrintable(chip.errorString()));
    QTemporaryDir folder;
    const QString recorded = folder.filePath("killed.csv");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildRecording, recorded);
    environment.insert(kChildDevice, chip.devicePath());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY(
        waitUntil([&] { return QFileInfo(recorded).size() > kBlocksBeforeKill * kBlockRowsSize; },
                  kBlockTimeoutMs * 2));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());

    // A block goes to the file in one write, but the kernel may end a write cut short by a
    // fatal signal at a page boundary: a kill that lands inside the write of a block leaves
    // that last block cut, its torn row without a line end. Everything before it is whole.
    QByteArray contents = TestFiles::readAll(recorded);
    const bool lastRowTorn = !contents.endsWith('\n');
    contents.truncate(contents.lastIndexOf('\n') + 1);
    std::istringstream rows(contents.toStdString());
    QList<int> received;
    const CaptureCsv::ReadError error =
        CaptureCsv::read(rows, [&](const CaptureCsv::RecordedBlock& b) {
            received << static_cast<int>(std::count_if(
                b.value.begin(), b.value.end(), [](int v) { return v != CaptureCsv::kMissing; }));
        });
    QVERIFY2(error.line == 0, CaptureCsv::describe(error).c_str());
    QVERIFY(received.size() >= kBlocksBeforeKill);
    // Whole blocks: the capture threshold may leave out the last sample, no more.
    if (lastRowTorn)
        received.removeLast();
    for (const int count : received)
        QVERIFY2(count >= kBlockSize - 1, qPrintable(QString::number(count)));
}

void TestRecordSim::fileThatCannotTakeARecordingIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file is made
    QTest::addColumn<QString>("reasonHas");
    QTest::newRow("a folder that does not exist")
        << "missing/run.csv" << QByteArray() << "missing/run.csv";
    QTest::newRow("a setup file is not added to")
        << "Setup.txt" << QByteArray("KDSP registers\r\n") << "not a capture file";
}

void TestRecordSim::fileThatCannotTakeARecordingIsRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, reasonHas);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (!content.isEmpty())
        QVERIFY(TestFiles::writeFile(path, content));
    SimulatedWindow w;
    QString error;
    QVERIFY(!Recorder::start(path, w.fo.core(), *w.fo.Rajz, error));
    QVERIFY2(error.contains(reasonHas), qPrintable(error));
    if (!content.isEmpty())
        QCOMPARE(TestFiles::readAll(path), content);
}

// The child: records until it is killed.
int recordUntilKilled(const QString& path, const QString& device)
{
    SimulatedWindow w;
    w.mapPort(device);
    QString error;
    const std::unique_ptr<Recorder> recorder =
        Recorder::start(path, w.fo.core(), *w.fo.Rajz, error);
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
