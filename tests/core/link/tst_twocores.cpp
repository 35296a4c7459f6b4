// SPDX-License-Identifier: GPL-3.0-or-later
// Two cores in one process, each on its own simulated chip: each one's counted waits and its
// shutdown are its own. A window closing must not cut short another's waits, and a core made
// later must not bring the closed one's waits back.

#include "PtyPeers.h"

#include "core/link/Link.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/pid/PidDetect.h"
#include "core/shell/Shell.h"
#include "support/CoreFixture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
// A number with no default device, so only the test's mapping reaches anything.
constexpr int kSimPort = 250;

// A core on the real port, reaching its own simulated chip. Declared in this order, the core
// goes before the port it uses, and the port before the chip at its other end.
struct CoreOnChip
{
    explicit CoreOnChip(const QString& chipLink) : comm(ports)
    {
        chip.setProgram(QStringLiteral(KDSP_SIM_PATH));
        started = chip.start({QStringLiteral("--link"), chipLink});
        ports.setRunOverride(kSimPort, chipLink);
        core = std::make_unique<Core>(comm, dialogs, settings, images);
        core->startUp();
        core->setPortPosition(kSimPort - 1);
    }

    SimulatedChip chip;
    bool started = false;
    PortMap ports;
    SerialComm comm;
    MemorySettings settings;
    ScriptedDialogs dialogs;
    RecordedImages images;
    std::unique_ptr<Core> core;
};
} // namespace

class TwoCoresTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closingOneCoreLeavesTheOthersWaitsAndLaterCoresLeaveItClosed();
};

void TwoCoresTest::closingOneCoreLeavesTheOthersWaitsAndLaterCoresLeaveItClosed()
{
    QTemporaryDir links;
    QVERIFY(links.isValid());
    CoreOnChip first(links.filePath(QStringLiteral("first")));
    CoreOnChip second(links.filePath(QStringLiteral("second")));
    QVERIFY2(first.started, qPrintable(first.chip.errorString()));
    QVERIFY2(second.started, qPrintable(second.chip.errorString()));

    // The first window closes while the second core is in the stop wait of its timing
    // detection. The second still waits for its chip's answer: the time grid of timing digit 4 as the
    // readout shows it.
    bool firstClosed = false;
    QMetaObject::invokeMethod(
        first.core.get(),
        [&] {
            first.core->shutDown();
            firstClosed = true;
        },
        Qt::QueuedConnection);
    second.core->detectTiming();
    QVERIFY(firstClosed);
    QCOMPARE(second.core->readout(Readout::TimeGrid), QStringLiteral("1.91"));
    QCOMPARE(second.dialogs.texts(), QStringList{});

    // A core made after the close does not undo it: the closed core's waits return at once.
    CoreOnChip third(links.filePath(QStringLiteral("third")));
    QElapsedTimer clock;
    clock.start();
    linkOf(*first.core).pumpEvents(100'000); // 25 s of passes if it waited
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed()) + " ms"));
    // ... while the new core's waits take their time.
    clock.restart();
    linkOf(*third.core).pumpEvents(Wait::kPidReply);
    const double slice = std::chrono::duration<double, std::milli>(Link::kDefaultPumpSlice).count();
    QVERIFY(clock.elapsed() >= Wait::kPidReply * slice * 0.95);
}

QTEST_GUILESS_MAIN(TwoCoresTest)
#include "tst_twocores.moc"
