// SPDX-License-Identifier: GPL-3.0-or-later
// The status line's text from what the core tells, on the fake port, by a clock the test turns:
// what the line is doing, and each fault with the reason the program knows.

#include "core/link/DeviceAccess.h"
#include "core/status/LineStatus.h"
#include "support/CoreFixture.h"

#include "../scope/ScopeChecks.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using ScopeChecks::kTimingQueryLine;
using ScopeChecks::kTimingReplyDigit4;

namespace {
enum class Scene {
    Idle,
    Streaming,
    SilentAfterStart,
    TimingUnanswered,
    MovesWithoutGrid,
    Unplugged,
    NodeGoesAfterFailure,
    NodeStays,
    NodeBackAfterUnplug,
    NoAccess,
    HeldElsewhere,
    TriggerWaiting,
    Recording,
    RecordingRefused,
    Simulated,
};

constexpr qint64 kBlockPeriodMs = 26; // a block's time on the line, 38.5 a second
constexpr int kBlocksFed = 20;
const QString kNode = QStringLiteral("<node>");
const QString kGoneDevice = QStringLiteral("/dev/trevalon-test-unplugged");
const QString kHeldReason =
    QStringLiteral("Device or resource busy (held by process 4711 (minicom))");
} // namespace

class TestLineStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textTellsWhatTheLineDoesAndWhatWentWrong_data();
    void textTellsWhatTheLineDoesAndWhatWentWrong();
    void blocksAloneDoNotChangeTheText();
};

void TestLineStatus::textTellsWhatTheLineDoesAndWhatWentWrong_data()
{
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<QString>("text");
    const QString port = QStringLiteral("Comm 1 \u2014 /dev/fake; ");
    const QString check = QStringLiteral(": check the cable, the port and the chip's power");
    QTest::newRow("before anything: the port, its device and idle") << Scene::Idle << port + "idle";
    QTest::newRow("blocks coming: their rate over the last two seconds")
        << Scene::Streaming
        << port + "receiving blocks, 38.5 a second; last block peak 0, RMS 0.00";
    QTest::newRow("no block two seconds after Start: the chip is silent")
        << Scene::SilentAfterStart << port + "no data from the chip since Start" + check;
    QTest::newRow("no timing reply: said beside what the line does")
        << Scene::TimingUnanswered
        << port + "the chip did not answer the timing query" + check + "; waiting for blocks";
    QTest::newRow("moves without a time grid: settled, but no time in ms made up")
        << Scene::MovesWithoutGrid
        << port + "the chip did not answer the timing query" + check +
               "; receiving blocks, 38.5 a second; last block peak 20, RMS 1.21; last move "
               "settled, 20 % overshoot (no time grid: the chip's timing was not answered)";
    QTest::newRow("the device gone under the open port: unplugged")
        << Scene::Unplugged
        << QStringLiteral("Comm 1 \u2014 %1; %1 was unplugged").arg(kGoneDevice);
    // kNode stands for the device node the test makes in its own folder.
    const QString nodeGone = QStringLiteral("Comm 1 \u2014 %1; %1 was unplugged").arg(kNode);
    QTest::newRow(
        "the device node removed a moment after the failure: unplugged by the next period")
        << Scene::NodeGoesAfterFailure << nodeGone;
    QTest::newRow("the device node still there: the device failed, with the system's reason")
        << Scene::NodeStays
        << QStringLiteral("Comm 1 \u2014 %1; the device failed: gone").arg(kNode);
    QTest::newRow("an unplugged device plugged in again: still told as unplugged")
        << Scene::NodeBackAfterUnplug << nodeGone;
    QTest::newRow("a port refused for permission: the reason with the group hint")
        << Scene::NoAccess << port + "the port cannot be opened: " + kNoAccessReason;
    QTest::newRow("a port held by another program: its name and process")
        << Scene::HeldElsewhere << port + "the port is held by another program: " + kHeldReason;
    QTest::newRow("trigger on: no block for long is no fault")
        << Scene::TriggerWaiting
        << port + "trigger on: waiting for a move of the drive to send blocks";
    QTest::newRow("recording: the file and the blocks written")
        << Scene::Recording << port + "idle; recording to run.csv (3 blocks)";
    QTest::newRow("a recording refused: why")
        << Scene::RecordingRefused << port + "idle; not recording: run.csv: Permission denied";
    QTest::newRow("the simulated chip replaying a file")
        << Scene::Simulated << "the simulated KDSP chip on Comm 1; idle; replaying old.csv";
}

void TestLineStatus::textTellsWhatTheLineDoesAndWhatWentWrong()
{
    QFETCH(Scene, scene);
    QFETCH(QString, text);
    CoreFixture f;
    QTemporaryDir devices;
    // A device node the test makes and removes as udev would.
    const QString node = devices.filePath(QStringLiteral("ttyUSB0"));
    const auto plugIn = [&node](bool in) {
        QFile file(node);
        QVERIFY(in ? file.open(QIODevice::WriteOnly) : file.remove());
    };
    qint64 now = 0;
    LineStatus status(f.core);
    status.setClock([&now] { return now; });
    bool answersTiming = scene != Scene::TimingUnanswered && scene != Scene::MovesWithoutGrid;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine && answersTiming)
            f.comm.receive(kTimingReplyDigit4);
    };

    switch (scene) {
    case Scene::Idle:
        break;
    case Scene::Streaming:
        f.core.startScope();
        for (int i = 0; i < kBlocksFed; ++i) {
            now += kBlockPeriodMs;
            f.comm.receive(QByteArray(kBlockSize, char(128)));
            CoreFixture::settle();
        }
        break;
    case Scene::SilentAfterStart:
        f.core.startScope();
        now += LineStatus::kSilentAfterMs;
        break;
    case Scene::TimingUnanswered:
        f.core.startScope();
        break;
    case Scene::MovesWithoutGrid: {
        f.core.startScope();
        // A move of 20 steps that overshoots by 4 and settles.
        QByteArray block(kBlockSize, char(128));
        block.replace(10, 4, QByteArray::fromHex("9485 7c81"));
        for (int i = 0; i < kBlocksFed; ++i) {
            now += kBlockPeriodMs;
            f.comm.receive(block);
            CoreFixture::settle();
        }
        break;
    }
    case Scene::Unplugged:
        f.comm.device = kGoneDevice;
        f.core.startScope();
        f.comm.failDevice(CommErrorNumber::DeviceFailed);
        CoreFixture::settle();
        break;
    case Scene::NodeGoesAfterFailure:
    case Scene::NodeStays:
    case Scene::NodeBackAfterUnplug: {
        const bool goneFirst = scene == Scene::NodeBackAfterUnplug;
        f.comm.device = node;
        if (!goneFirst)
            plugIn(true);
        f.core.startScope();
        f.comm.failDevice(CommErrorNumber::DeviceFailed);
        CoreFixture::settle();
        status.update();
        const QString first = status.text();
        QVERIFY2(first.contains(goneFirst ? "was unplugged" : "the device failed"),
                 qPrintable(first));
        if (scene == Scene::NodeGoesAfterFailure)
            plugIn(false);
        if (goneFirst)
            plugIn(true);
        now += LineStatus::kUpdatePeriodMs;
        break;
    }
    case Scene::NoAccess:
    case Scene::HeldElsewhere: {
        const bool held = scene == Scene::HeldElsewhere;
        f.comm.openFailures[1] = held ? CommErrorNumber::PortInUse : CommErrorNumber::InvalidPort;
        f.comm.failureText = held ? kHeldReason : kNoAccessReason;
        f.core.startScope();
        break;
    }
    case Scene::TriggerWaiting:
        answersTiming = true;
        f.core.startTriggered();
        now += 10 * LineStatus::kSilentAfterMs;
        break;
    case Scene::Recording:
        status.setRecording([] {
            return LineStatus::Recording{QStringLiteral("run.csv"), 3, QString()};
        });
        break;
    case Scene::RecordingRefused:
        status.setRecording([] {
            return LineStatus::Recording{QString(), 0, QStringLiteral("run.csv: Permission denied"),
                                         false};
        });
        break;
    case Scene::Simulated:
        status.setSimulatedChip(QStringLiteral("/dev/fake"), QStringLiteral("old.csv"));
        break;
    }
    status.update();
    QCOMPARE(status.text(), text.replace(kNode, node));
}

void TestLineStatus::blocksAloneDoNotChangeTheText()
{
    // The text is composed when the period comes round, never for a block's arrival.
    CoreFixture f;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == kTimingQueryLine)
            f.comm.receive(kTimingReplyDigit4);
    };
    LineStatus status(f.core);
    f.core.startScope();
    status.update();
    QSignalSpy changes(&status, &LineStatus::textChanged);
    QElapsedTimer feeding;
    feeding.start();
    for (int i = 0; i < kBlocksFed; ++i) {
        f.comm.receive(QByteArray(kBlockSize, char(128)));
        CoreFixture::settle();
    }
    // Only the period's own updates, should the feeding take that long on a busy machine.
    QVERIFY(changes.count() <= feeding.elapsed() / LineStatus::kUpdatePeriodMs);
    const auto before = changes.count();
    status.update();
    QCOMPARE(changes.count(), before + 1);
    QVERIFY(status.text().contains(QStringLiteral("receiving blocks")));
}

QTEST_GUILESS_MAIN(TestLineStatus)
#include "tst_linestatus.moc"
