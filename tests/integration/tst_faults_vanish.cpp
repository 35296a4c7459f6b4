// SPDX-License-Identifier: GPL-3.0-or-later
// The device goes away (a USB adapter pulled, the simulator ended) through the real port:
// while blocks stream, during a listing's wait, and while the port is closed. Each fault is
// reported at most once, the program does not spin, and the user keeps what they had.

#include "support/BlockWatch.h"
#include "support/SimulatedWindow.h"

#include "window/ConsoleView.h"
#include "core/console/Listings.h"
#include "core/pid/PidDetect.h"
#include "core/scope/ScopeControl.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {
constexpr int kBlocksBeforeVanishing = 20;
constexpr int kVanishTimeoutMs = 5000;
constexpr int kBlockTimeoutMs = 5000;
constexpr int kAnswerTimeoutMs = 5000;
// How long the program is watched after the fault, and the CPU share it may use meanwhile:
// an idle window uses next to nothing, a loop on a dead descriptor a whole core.
constexpr int kCpuWatchMs = 1000;
constexpr double kMostCpuShare = 0.10;
// Inside the first wait of every handler that waits (601 passes of at least 250 us each): the
// timer runs in the first pass after it is due.
constexpr int kVanishInsideWaitMs = 50;
// A zero-time timer must run this soon once the handler has returned.
constexpr int kResponsiveWithinMs = 100;

// Whether the event loop runs a zero-time timer within the time.
bool turnsWithin(int ms)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    return waitUntil([&] { return ran; }, ms);
}
} // namespace

class TestFaultsVanish : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vanishingWhileBlocksStreamStopsTheScopeWithOneReport();
    void vanishingDuringAWaitIsReportedOnce_data();
    void vanishingDuringAWaitIsReportedOnce();
    void deviceBackBeforeTheHandlersNextStepIsReportedByTheLoss();
    void vanishedWhileClosedGivesTheInvalidPortMessageOnce_data();
    void vanishedWhileClosedGivesTheInvalidPortMessageOnce();
};

void TestFaultsVanish::vanishingWhileBlocksStreamStopsTheScopeWithOneReport()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--vanish-after", QString::number(kBlocksBeforeVanishing)}),
             qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    w.fo.core().startScope();
    QVERIFY(waitUntil([&] { return !w.chip.isRunning(); }, kVanishTimeoutMs));
    QVERIFY(waitUntil([&] { return w.reportCount() > 0; }, kVanishTimeoutMs));

    const double share = cpuShareWhileIdle(kCpuWatchMs);
    qInfo("%d blocks captured; %.1f %% of a core over %d ms after the device vanished",
          watch.captures(), share * 100, kCpuWatchMs);
    QVERIFY2(share < kMostCpuShare, qPrintable(QStringLiteral("%1 % CPU").arg(share * 100)));

    // One report: either the capture cycle's box with the number of its failed reopen, or the
    // number of the lost device written on the window.
    const QStringList reports = w.reports();
    QCOMPARE(reports.size(), 1);
    static const QRegularExpression number(QStringLiteral("^ ?80\\d\\d ?$"));
    QVERIFY2(number.match(reports.first()).hasMatch(), qPrintable(reports.first()));
    QVERIFY(watch.captures() >= 1);
    QVERIFY(watch.captures() <= kBlocksBeforeVanishing);
    QVERIFY(!w.comm.portOpen());
    // The user's port choice is kept: plugged in again, the same port works.
    QCOMPARE(w.chosenPosition(), SimulatedWindow::kPortPosition);

    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    const int before = watch.distinctBlocks();
    w.fo.core().startScope();
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));
    QVERIFY(waitUntil([&] { return watch.distinctBlocks() > before; }, kBlockTimeoutMs));
    QCOMPARE(w.fo.lampColour(), int(kGreen));
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.reports(), reports);
}

void TestFaultsVanish::vanishingDuringAWaitIsReportedOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("the device goes while Registers waits after the stop") << "Registers";
    QTest::newRow("the device goes while Special waits after the stop") << "Special";
    QTest::newRow("the device goes while State of Fuses waits after the stop") << "Fuses";
    QTest::newRow("the device goes while PID detect waits after the stop") << "PID";
    QTest::newRow("the device goes while Start waits for the timing reply") << "Start";
    QTest::newRow("the device goes while Triger on waits for the timing reply") << "Trigger";
}

void TestFaultsVanish::vanishingDuringAWaitIsReportedOnce()
{
    QFETCH(QString, control);
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    const QString device = w.chipLink();
    bool stoppedInsideWait = false;
    QTimer::singleShot(kVanishInsideWaitMs, [&] {
        w.chip.stop();
        stoppedInsideWait = true;
    });

    QPushButton* const button = control == "Registers" ? w.fo.Command1
                                : control == "Special" ? w.fo.Spec
                                : control == "PID"     ? w.fo.PID
                                : control == "Start"   ? w.fo.Be
                                : control == "Trigger" ? w.fo.Triger_be
                                                       : nullptr;
    if (button)
        QTest::mouseClick(button, Qt::LeftButton);
    else
        w.fo.SF->trigger();
    QVERIFY(stoppedInsideWait);
    QVERIFY(!QFile::exists(device));
    QVERIFY(turnsWithin(kResponsiveWithinMs));
    const double share = cpuShareWhileIdle(kCpuWatchMs);
    qInfo("reports [%s]; %.1f %% of a core after the handler",
          qPrintable(w.reports().join(QLatin1Char('|'))), share * 100);
    QVERIFY2(share < kMostCpuShare, qPrintable(QStringLiteral("%1 % CPU").arg(share * 100)));
    QVERIFY(!w.comm.portOpen());
    // Told once: by the handler that met the closed port, or by the loss itself.
    QVERIFY2(w.reportCount() == 1, qPrintable(w.reports().join(QLatin1Char('|'))));

    // Plugged in again (the report may have cleared the port choice): Registers works.
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    w.fo.Portok->setCurrentIndex(SimulatedWindow::kPortPosition);
    const QStringList reports = w.reports();
    QTest::mouseClick(w.fo.Command1, Qt::LeftButton);
    const QString expected = resetRegisterListing();
    QVERIFY(waitUntil([&] { return w.fo.Text->length() >= expected.size(); }, kAnswerTimeoutMs));
    QCOMPARE(w.fo.Text->text(), expected);
    QCOMPARE(w.reports(), reports);
}

void TestFaultsVanish::deviceBackBeforeTheHandlersNextStepIsReportedByTheLoss()
{
    // State of Fuses waits 4001 passes (a second at least) after the stop, then sends its
    // request through a brief opening if the port is closed. The device goes early in the wait
    // and is back well before its end, so the handler meets no failure of its own.
    constexpr int kBackInsideWaitMs = 300;
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    bool backInsideWait = false;
    QTimer::singleShot(kVanishInsideWaitMs, [&] { w.chip.stop(); });
    QTimer::singleShot(kBackInsideWaitMs, [&] { backInsideWait = w.startChip(); });

    w.fo.SF->trigger();
    QVERIFY(backInsideWait);
    QVERIFY(waitUntil([&] { return w.reportCount() > 0; }, kAnswerTimeoutMs));
    idleFor(kResponsiveWithinMs);
    QCOMPARE(w.reports(), QStringList{QStringLiteral(" 8020 ")});
    QCOMPARE(w.chosenPosition(), SimulatedWindow::kPortPosition);
}

void TestFaultsVanish::vanishedWhileClosedGivesTheInvalidPortMessageOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("Start after the device went") << "Start";
    QTest::newRow("Stop after the device went") << "Stop";
    QTest::newRow("PID detect after the device went") << "PID";
    QTest::newRow("Registers after the device went") << "Registers";
}

void TestFaultsVanish::vanishedWhileClosedGivesTheInvalidPortMessageOnce()
{
    QFETCH(QString, control);
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--timing-digit", "6"}), qPrintable(w.chip.errorString()));
    // A measurement that ends with the port closed.
    QVERIFY(detectUntilShown(w.fo, QStringLiteral("1746.11")));
    QVERIFY(!w.comm.portOpen());
    const QString device = w.chipLink();
    w.chip.stop();
    QVERIFY(!QFile::exists(device));

    if (control == "Start")
        QTest::mouseClick(w.fo.Be, Qt::LeftButton);
    else if (control == "Stop")
        QTest::mouseClick(w.fo.Ki, Qt::LeftButton);
    else if (control == "PID")
        QTest::mouseClick(w.fo.PID, Qt::LeftButton);
    else
        QTest::mouseClick(w.fo.Command1, Qt::LeftButton);

    QCOMPARE(w.dialogs.texts(), QStringList{messagesOf(w.fo.core()).msgInvalidPort});
    QCOMPARE(w.dialogs.shown.first().icon, MsgIcon::Critical);
    QCOMPARE(w.fo.formTexts(), QStringList{});
    QVERIFY(!w.comm.portOpen());
    // What the user had measured stays.
    QCOMPARE(w.fo.MX(5)->text(), QStringLiteral("1746.11"));
    QVERIFY(turnsWithin(kResponsiveWithinMs));
    QCOMPARE(w.reportCount(), 1);
}

QTEST_MAIN(TestFaultsVanish)
#include "tst_faults_vanish.moc"
