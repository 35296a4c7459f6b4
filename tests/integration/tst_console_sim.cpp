// SPDX-License-Identifier: GPL-3.0-or-later
// The console end to end: listings, typed commands and the chip option items through the real
// port against the simulated chip. The console must show exactly what the chip sent for the
// request, with nothing before it (the answer to "q", stray block bytes) and nothing lost.

#include "support/BlockWatch.h"
#include "support/SimulatedWindow.h"

#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "window/ConsoleView.h"
#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"

#include <ChipTexts.h>
#include <KdspProtocol.h>

#include <QAction>
#include <QPushButton>
#include <QTest>

namespace {
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kBlockTimeoutMs = 5000;
// After the expected text is complete, nothing more may follow for this long.
constexpr int kQuietMs = 200;
const QString kLineEnd = QStringLiteral("\r\n");
const QString kStopAnswer = QString::fromLatin1(kdsp::kScopeStoppedAnswer.data(),
                                                qsizetype(kdsp::kScopeStoppedAnswer.size()));

QString fromChip(const std::string& text)
{
    return QString::fromStdString(text);
}

// Waits until the console holds at least as much as expected, then a little longer, so that
// anything sent beyond the expected text would show too.
QString consoleAfterAnswer(SimulatedWindow& w, qsizetype expectedLength)
{
    waitUntil([&] { return w.fo.Text->length() >= expectedLength; }, kAnswerTimeoutMs);
    idleFor(kQuietMs);
    return w.fo.Text->text();
}

// The whole line of a listing that begins with the given text.
QString lineStartingWith(const QString& listing, const QString& start)
{
    for (const QString& line : listing.split(kLineEnd))
        if (line.startsWith(start))
            return line;
    return QString();
}
} // namespace

class TestConsoleSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listingsShowTheChipsAnswerAlone_data();
    void listingsShowTheChipsAnswerAlone();
    void typedCommandShowsTheAnswer_data();
    void typedCommandShowsTheAnswer();
    void optionItemChangesTheNextRegisterListing_data();
    void optionItemChangesTheNextRegisterListing();
};

void TestConsoleSim::listingsShowTheChipsAnswerAlone_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("scopeRunning");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("knownLine");

    QTest::newRow("Registers shows the register listing")
        << "Registers" << false << resetRegisterListing()
        << "0x08  TSAMPLE     0x0004  timing digit 4";
    QTest::newRow("Registers while the scope runs stops it and shows the listing alone")
        << "Registers" << true << resetRegisterListing()
        << "0x0D  SCOPE       0x0000  scope stopped";
    QTest::newRow("Special shows the list of special commands")
        << "Special" << false << fromChip(kdsp::specialCommandList())
        << "J1000  start the scope: blocks of 300 tracking error samples";
    QTest::newRow("State of Fuses shows the fuse report without the answer to the stop")
        << "State of Fuses" << false << fromChip(kdsp::fuseReport({}))
        << "F2    THERMO        armed at 60 C";
}

void TestConsoleSim::listingsShowTheChipsAnswerAlone()
{
    QFETCH(QString, control);
    QFETCH(bool, scopeRunning);
    QFETCH(QString, expected);
    QFETCH(QString, knownLine);
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    BlockWatch watch(w.fo, w.comm);
    if (scopeRunning) {
        w.fo.core().startScope();
        QVERIFY(waitUntil([&] { return watch.captures() >= 1; }, kBlockTimeoutMs));
    }

    if (control == "Registers")
        QTest::mouseClick(w.fo.Command1, Qt::LeftButton);
    else if (control == "Special")
        QTest::mouseClick(w.fo.Spec, Qt::LeftButton);
    else
        w.fo.SF->trigger();
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Console);

    const QString shown = consoleAfterAnswer(w, expected.size());
    QCOMPARE(shown, expected);
    // Blocks taken during the wait turn the lamp green; the listing's characters turn it red.
    QCOMPARE(w.fo.lampColour(), int(kRed));
    QVERIFY2(shown.contains(kLineEnd + knownLine + kLineEnd), qPrintable(knownLine));
    QVERIFY(!shown.contains(kStopAnswer));
    if (scopeRunning) {
        // The blocks still in flight after "q" were taken as samples, then the surface cleared.
        QVERIFY(w.fo.Rajz->composite() ==
                w.fo.Rajz->picture().background().convertToFormat(QImage::Format_RGB32));
    }
    QCOMPARE(w.reports(), QStringList{});
}

void TestConsoleSim::typedCommandShowsTheAnswer_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("s typed shows the list of special commands")
        << "s" << fromChip(kdsp::specialCommandList());
    QTest::newRow("a word the chip does not know is answered as unknown")
        << "hello"
        << "Unknown command: hello\r\n";
    QTest::newRow("the timing query typed shows its reply, the carriage return as a line end")
        << "J1100"
        << "J11004\r\n";
}

void TestConsoleSim::typedCommandShowsTheAnswer()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));

    w.fo.Command->setText(typed);
    w.fo.core().sendLine(w.fo.Command->text());
    QCOMPARE(w.fo.Command->text(), QString());
    QVERIFY(w.comm.portOpen());
    QCOMPARE(w.fo.core().lineMode(), Core::LineMode::Console);

    QCOMPARE(consoleAfterAnswer(w, expected.size()), expected);
    QCOMPARE(w.reports(), QStringList{});
}

void TestConsoleSim::optionItemChangesTheNextRegisterListing_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("changedRegister");

    QTest::newRow("thermo protection on 80 degrees")
        << "TP80"
        << "Thermo protection set to 80 C"
        << "0x09  THERMO      0x0050  thermo protection 80 C";
    QTest::newRow("motor protection off")
        << "MPoff"
        << "Motor protection off until reset"
        << "0x0A  MOTPROT     0x0000  motor protection off (temporary)";
    QTest::newRow("soft limit without fault signal")
        << "SLF_off"
        << "Soft limit without fault signal"
        << "0x0B  SOFTLIM     0x0000  soft limit without fault signal";
    QTest::newRow("PWM in AC mode") << "ACM"
                                    << "PWM AC mode"
                                    << "0x0C  PWMMODE     0x0001  PWM AC mode";
}

void TestConsoleSim::optionItemChangesTheNextRegisterListing()
{
    QFETCH(QString, item);
    QFETCH(QString, confirmation);
    QFETCH(QString, changedRegister);
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    QAction* const action = item == "TP80"      ? w.fo.TP80
                            : item == "MPoff"   ? w.fo.MPoff
                            : item == "SLF_off" ? w.fo.SLF_off
                                                : w.fo.ACM;

    // The item shows the registers as they were, then the chip's word on the new option.
    action->trigger();
    const QString before = resetRegisterListing();
    const QString withConfirmation = before + confirmation + kLineEnd;
    QCOMPARE(consoleAfterAnswer(w, withConfirmation.size()), withConfirmation);

    // The next listing differs from the first in the option's register alone.
    const QString registerName =
        changedRegister.left(changedRegister.indexOf(QLatin1String("0x"), 2));
    const QString oldRegister = lineStartingWith(before, registerName);
    QVERIFY2(!oldRegister.isEmpty() && oldRegister != changedRegister, qPrintable(registerName));
    QString after = before;
    after.replace(oldRegister, changedRegister);
    QTest::mouseClick(w.fo.Command1, Qt::LeftButton);
    QCOMPARE(consoleAfterAnswer(w, after.size()), after);
    QCOMPARE(w.reports(), QStringList{});
}

QTEST_MAIN(TestConsoleSim)
#include "tst_console_sim.moc"
