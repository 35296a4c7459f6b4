// SPDX-License-Identifier: GPL-3.0-or-later
// Every handler that opens the port, through the real port, on a port that cannot be opened:
// held by another program (the port-used message) or mapped to a device that is not there (the
// invalid-port message). Each shows its message (an option item twice, since it tries again
// after the listing it runs), clears the port choice, writes nothing on the window and keeps
// what the console and the readouts showed.

#include "core/link/PtyPeers.h"
#include "support/SimulatedWindow.h"

#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "window/ConsoleView.h"
#include "window/ScopeSurface.h"
#include "core/console/Listings.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/ScopeControl.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>

namespace {
const QString kMissingDevice = QStringLiteral("/dev/ttyNOSUCHDEVICE-trevalon");
const QString kConsoleBefore = QStringLiteral("KDSP register listing\r\nkept");
const QString kGridBefore = QStringLiteral("1.91");
const QString kFrequencyBefore = QStringLiteral("2619.17");
const QString kTyped = QStringLiteral("s");
constexpr int kNoChoice = -1;

struct Handler
{
    const char* name;   // as the row names it
    const char* action; // what the user does
    int messages;       // boxes shown for one attempt
};

// The option item runs the register listing, which reports its failure and returns; after its
// wait the item tries the port again and reports a second time.
const Handler kHandlers[] = {
    {"Start", "pressing Start", 1},
    {"TriggerOn", "pressing Triger on", 1},
    {"TriggerOff", "pressing Triger off", 1},
    {"PID", "PID detect", 1},
    {"Registers", "Registers", 1},
    {"Special", "Special", 1},
    {"Fuses", "State of Fuses", 1},
    {"Enter", "Enter in the command line", 1},
    {"Option", "an option item", 2},
};

void run(Fo& fo, const QString& handler)
{
    if (handler == "Start")
        fo.core().startScope();
    else if (handler == "TriggerOn")
        fo.core().startTriggered();
    else if (handler == "TriggerOff")
        fo.core().startUntriggered();
    else if (handler == "PID")
        fo.core().detectTiming();
    else if (handler == "Registers")
        fo.core().fetchListing(Core::Listing::Registers);
    else if (handler == "Special")
        fo.core().fetchListing(Core::Listing::Specials);
    else if (handler == "Fuses")
        fo.core().fetchListing(Core::Listing::Fuses);
    else if (handler == "Enter") {
        fo.Command->setText(kTyped);
        fo.core().sendLine(fo.Command->text());
    } else if (handler == "Option")
        fo.core().switchOption(Core::ChipOption::Thermo100);
    else
        QFAIL(qPrintable(QStringLiteral("no handler ") + handler));
}
} // namespace

class TestFaultsPorts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unusablePortIsReportedByEveryHandler_data();
    void unusablePortIsReportedByEveryHandler();
    void theFirstStopGoesToTheStoredPort_data();
    void theFirstStopGoesToTheStoredPort();
};

void TestFaultsPorts::unusablePortIsReportedByEveryHandler_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<bool>("heldElsewhere");
    QTest::addColumn<int>("messages");
    for (const Handler& h : kHandlers) {
        const QString held =
            QStringLiteral("%1 on a port held by another program shows the port-used message")
                .arg(QLatin1String(h.action));
        const QString missing =
            QStringLiteral("%1 on a port whose device is missing shows the invalid-port message")
                .arg(QLatin1String(h.action));
        QTest::newRow(qPrintable(held)) << h.name << true << h.messages;
        QTest::newRow(qPrintable(missing)) << h.name << false << h.messages;
    }
}

void TestFaultsPorts::unusablePortIsReportedByEveryHandler()
{
    QFETCH(QString, handler);
    QFETCH(bool, heldElsewhere);
    QFETCH(int, messages);
    SimulatedWindow w;
    QSerialPort holder;
    if (heldElsewhere) {
        QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
        // The other program opens the port by the name this window uses. Under that name it
        // leaves a lock file, which is what stops a second open when the tests run as root:
        // the driver's exclusive flag stops every other user, but not root.
        holder.setPortName(w.chipLink());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    } else {
        w.mapPort(kMissingDevice);
    }
    // What the user had before.
    setConsoleText(w.fo.core(), kConsoleBefore);
    CoreInsides::setReadout(w.fo.core(), Readout::TimeGrid, kGridBefore);
    CoreInsides::setReadout(w.fo.core(), Readout::PidFrequency, kFrequencyBefore);

    run(w.fo, handler);

    const MessageTexts& texts = messagesOf(w.fo.core());
    const QString& message = heldElsewhere ? texts.msgPortUsed : texts.msgInvalidPort;
    QStringList expected;
    for (int i = 0; i < messages; ++i)
        expected << message;
    QCOMPARE(w.dialogs.texts(), expected);
    for (const ScriptedDialogs::Shown& shown : w.dialogs.shown)
        QCOMPARE(shown.icon, MsgIcon::Critical);
    QCOMPARE(w.fo.formTexts(), QStringList{});
    QCOMPARE(w.chosenPosition(), kNoChoice);
    QVERIFY(!w.comm.portOpen());

    QCOMPARE(w.fo.Text->text(), kConsoleBefore);
    QCOMPARE(w.fo.Gr(2)->text(), kGridBefore);
    QCOMPARE(w.fo.MX(5)->text(), kFrequencyBefore);
    if (handler == "Enter")
        QCOMPARE(w.fo.Command->text(), QString()); // the typed command is dropped
}

void TestFaultsPorts::theFirstStopGoesToTheStoredPort_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("clicking into the command line") << "command line";
    QTest::newRow("pressing Stop") << "Stop";
    QTest::newRow("a left click on the scope") << "scope";
}

// Before any command has taken a number from the list, the stop sequences write "q" on the
// port as it stands: that must be the stored choice, not port 1 and whatever is there.
void TestFaultsPorts::theFirstStopGoesToTheStoredPort()
{
    QFETCH(QString, action);
    constexpr int kTimeoutMs = 3000;
    constexpr int kPortOne = 1;
    OwnPty chosen;
    OwnPty portOne;
    QVERIFY(!chosen.slavePath().isEmpty() && !portOne.slavePath().isEmpty());
    SimulatedWindow w; // started with SimulatedWindow::kPort stored as the choice
    w.mapPort(chosen.slavePath());
    w.ports.setRunOverride(kPortOne, portOne.slavePath());

    if (action == "command line") {
        QApplication::setActiveWindow(&w.fo);
        QVERIFY(QTest::qWaitForWindowActive(&w.fo));
        w.fo.Command->setFocus(Qt::MouseFocusReason);
    } else if (action == "Stop") {
        QTest::mouseClick(w.fo.Ki, Qt::LeftButton);
    } else {
        QTest::mouseClick(w.fo.Rajz, Qt::LeftButton, {}, QPoint(100, 100));
    }

    QByteArray atChosen;
    QVERIFY(waitUntil([&] { return (atChosen += chosen.takeReceived()) == "q\r"; }, kTimeoutMs));
    QCOMPARE(portOne.takeReceived(), QByteArray());
    QCOMPARE(w.dialogs.texts(), QStringList{});
    QCOMPARE(w.chosenPosition(), SimulatedWindow::kPortPosition);
}

QTEST_MAIN(TestFaultsPorts)
#include "tst_faults_ports.moc"
