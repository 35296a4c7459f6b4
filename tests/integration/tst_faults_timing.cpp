// SPDX-License-Identifier: GPL-3.0-or-later
// A chip that answers the timing query badly, through the real port: not at all, too late for
// the counted wait, or with bytes that are not a timing reply. The scope must still start, the
// readouts must follow the receive rules, and nothing may be reported.

#include "core/link/StderrCapture.h"
#include "support/BlockWatch.h"
#include "support/SimulatedWindow.h"

#include "core/pid/PidDetect.h"
#include "core/scope/ScopeControl.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>

namespace {
constexpr int kLogTimeoutMs = 3000;
constexpr int kQuietMs = 300;
// The reply must come later than the whole of Start's wait; how long that wait takes depends on
// the machine, so the delay is a multiple of a measured Start, and never less than this.
constexpr int kLeastLateReplyMs = 300;
constexpr int kLateReplyOverStart = 3;
// PID detect waits 401 passes of at least 250 us each for the reply: 50 ms is well inside.
constexpr int kSlowButInTimeMs = 50;
const QString kPrior = QStringLiteral("prior");
constexpr double kGridOfDigit4 = 1.909;

// Everything the simulated chip reports (--verbose) to have read from the line, joined, with
// a carriage return written as \r.
QString chipHeard(const StderrCapture& log)
{
    static const QRegularExpression received(QStringLiteral("^kdsp-sim: received \"(.*)\"$"),
                                             QRegularExpression::MultilineOption);
    QString heard;
    auto matches = received.globalMatch(log.text());
    while (matches.hasNext())
        heard += matches.next().captured(1);
    return heard;
}
} // namespace

class TestFaultsTiming : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silentChipStillGetsTheScopeStartAndKeepsTheReadouts();
    void replyLaterThanStartsWaitKeepsTheReadouts();
    void pidDetectTakesAReplySlowerThanTheLine();
    void garbledTimingReplies_data();
    void garbledTimingReplies();
};

void TestFaultsTiming::silentChipStillGetsTheScopeStartAndKeepsTheReadouts()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    w.fo.core().startScope();
    w.fo.core().stopScope();
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));

    StderrCapture log; // the simulator started now writes its log here
    QVERIFY2(w.startChip({"--mute", "--verbose"}), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    w.fo.core().startScope();

    QVERIFY2(waitUntil([&] { return chipHeard(log).contains(QLatin1String("J1000\\r")); },
                       kLogTimeoutMs),
             qPrintable(chipHeard(log)));
    QCOMPARE(chipHeard(log), QStringLiteral("J1100\\rJ1000\\r"));
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(w.fo.MX(5)->text(), QStringLiteral("2619.17"));
    QCOMPARE(w.fo.core().timeGrid(), kGridOfDigit4);
    // Running as far as the program can tell: open for blocks, capture mode, lamp green.
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.comm.rThreshold(), 299);
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Capture);
    QCOMPARE(w.fo.lampColour(), int(kGreen));
    idleFor(kQuietMs);
    QCOMPARE(watch.captures(), 0);
    QCOMPARE(w.reports(), QStringList{});
}

void TestFaultsTiming::replyLaterThanStartsWaitKeepsTheReadouts()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    const double startMs = startScopeTookMs(w.fo);
    w.fo.core().stopScope();
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));

    const int lateMs = std::max(kLeastLateReplyMs, int(kLateReplyOverStart * startMs));
    QVERIFY2(w.startChip({"--slow-ms", QString::number(lateMs), "--timing-digit", "7"}),
             qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    const double lateStartMs = startScopeTookMs(w.fo);
    qInfo("Start took %.0f ms; the chip answered %d ms after the query", lateStartMs, lateMs);
    QVERIFY2(lateStartMs < lateMs, "the premise failed: Start's wait outlasted the delay");

    // The wait ended first: the readouts are those of the earlier chip.
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(w.fo.MX(5)->text(), QStringLiteral("2619.17"));
    QCOMPARE(w.fo.core().timeGrid(), kGridOfDigit4);
    // The reply that comes later falls into the block stream and is taken as samples.
    QVERIFY(waitUntil([&] { return watch.captures() >= 2; }, lateMs + kLogTimeoutMs));
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(w.reports(), QStringList{});
}

void TestFaultsTiming::pidDetectTakesAReplySlowerThanTheLine()
{
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--slow-ms", QString::number(kSlowButInTimeMs), "--timing-digit", "7"}),
             qPrintable(w.chip.errorString()));
    QVERIFY(detectUntilShown(w.fo, QStringLiteral("1496.67")));
    QCOMPARE(w.fo.Gr(2)->text(), QStringLiteral("3.34"));
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(w.reports(), QStringList{});
}

void TestFaultsTiming::garbledTimingReplies_data()
{
    QTest::addColumn<QString>("replyHex");
    QTest::addColumn<QString>("timeGrid");
    QTest::addColumn<QString>("pidFrequency");
    QTest::addColumn<double>("grid");

    QTest::newRow("a well-formed reply with digit 6 sets the grid") << "4a31313030360d"
                                                                    << "2.86"
                                                                    << "1746.11" << 2.8635;
    QTest::newRow("a reply of two bytes never reaches the threshold and changes nothing")
        << "4a31" << kPrior << kPrior << kGridOfDigit4;
    QTest::newRow("a reply beginning with a carriage return changes nothing")
        << "0d4a3131303036" << kPrior << kPrior << kGridOfDigit4;
    QTest::newRow("a reply beginning with a vertical tab changes nothing")
        << "0b4a3131303036" << kPrior << kPrior << kGridOfDigit4;
    QTest::newRow("a letter at position 6 keeps the grid and rewrites both readouts")
        << "4a313130304b0d"
        << "1.91"
        << "2619.17" << kGridOfDigit4;
    QTest::newRow("a byte ff at position 6 is no digit") << "4a31313030ff0d"
                                                         << "1.91"
                                                         << "2619.17" << kGridOfDigit4;
    QTest::newRow("a byte ff first is read like any other character") << "ff31313030370d"
                                                                      << "3.34"
                                                                      << "1496.67" << 3.34075;
    QTest::newRow("zero bytes are dropped before the reply is read") << "004a3131003030350d"
                                                                     << "2.39"
                                                                     << "2095.34" << 2.38625;
}

void TestFaultsTiming::garbledTimingReplies()
{
    QFETCH(QString, replyHex);
    QFETCH(QString, timeGrid);
    QFETCH(QString, pidFrequency);
    QFETCH(double, grid);
    SimulatedWindow w;
    QVERIFY2(w.startChip({"--timing-reply", replyHex}), qPrintable(w.chip.errorString()));
    // An earlier reply has set the grid; the captions are marked to see whether they are written.
    knowTiming(w.fo.core(), kGridOfDigit4);
    CoreInsides::setReadout(w.fo.core(), Readout::TimeGrid, kPrior);
    CoreInsides::setReadout(w.fo.core(), Readout::PidFrequency, kPrior);

    w.fo.core().startScope();
    QCOMPARE(w.fo.Gr(2)->text(), timeGrid);
    QCOMPARE(w.fo.MX(5)->text(), pidFrequency);
    QCOMPARE(w.fo.core().timeGrid(), grid);
    // The start went on to the blocks.
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Capture);
    QVERIFY(w.comm.portOpen());
    w.fo.core().stopScope();
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(w.reports(), QStringList{});
}

QTEST_MAIN(TestFaultsTiming)
#include "tst_faults_timing.moc"
