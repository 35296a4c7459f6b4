// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the port choice kept between runs, the port field's handler, the About box and
// closing inside a handler's wait. Typing into the port field and the About menu item are tested
// with the window (tests/window/tst_consolewiring.cpp).

#include "core/SettingsStore.h"
#include "core/console/Listings.h"
#include "core/link/Link.h"
#include "core/options/OptionCommands.h"
#include "core/pid/PidDetect.h"
#include "core/scope/ScopeControl.h"
#include "core/shell/Shell.h"
#include "support/CoreFixture.h"

#include <QHash>
#include <QTest>

#include <functional>

class StartUpTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedPortSelectsPosition_data();
    void storedPortSelectsPosition();
    void shutdownStoresPosition_data();
    void shutdownStoresPosition();
    void firstStartChoosesPortOne();
    void startValues();
    void portFieldChangeClosesPortAndTurnsLampRed();
    void choosingAPortLeavesPortAndLampAlone();
    void aboutBoxMatchesTitleAndChangesNothing();
    void closingDuringAWaitLeavesTheChipStopped_data();
    void closingDuringAWaitLeavesTheChipStopped();
};

void StartUpTest::storedPortSelectsPosition_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("position");
    QTest::newRow("the blank the program writes is skipped") << " 7" << 7;
    QTest::newRow("3.5 rounds to the even 4") << "3.5" << 4;
    QTest::newRow("2.5 rounds to the even 2") << "2.5" << 2;
    QTest::newRow("a text that is no number selects position 0") << "abc" << 0;
    QTest::newRow("-1 selects nothing") << "-1" << -1;
    QTest::newRow("the last port") << " 254" << 254;
    QTest::newRow("past the last port selects nothing") << "255" << -1;
    QTest::newRow("below -1 selects nothing") << "-2" << -1;
    QTest::newRow("a huge number selects nothing") << "99999999999999999999" << -1;
    QTest::newRow("an empty value reads as 0") << "" << 0;
}

void StartUpTest::storedPortSelectsPosition()
{
    QFETCH(QString, stored);
    QFETCH(int, position);
    CoreFixture f(stored);
    QCOMPARE(f.core.portPosition(), position);
    // The port takes the chosen number at once, for the stop commands that use the port as it
    // stands; with no choice it keeps the number a new port has, 1.
    QCOMPARE(f.comm.commPort(), position >= 0 ? position + 1 : 1);
}

void StartUpTest::shutdownStoresPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("stored");
    QTest::newRow("position 0 is stored with its sign blank") << 0 << " 0";
    QTest::newRow("the last position") << 254 << " 254";
    QTest::newRow("no selection is stored as -1") << -1 << "-1";
}

void StartUpTest::shutdownStoresPosition()
{
    QFETCH(int, position);
    QFETCH(QString, stored);
    CoreFixture f;
    f.choosePort(position);
    f.core.shutDown(); // what closing the window runs
    QCOMPARE(f.settings.getSetting("Trevalon", "Setup", "Port", "absent"), stored);
    // What was stored selects the same position at the next start.
    CoreFixture next(stored);
    QCOMPARE(next.core.portPosition(), position);
}

void StartUpTest::firstStartChoosesPortOne()
{
    CoreFixture f; // nothing stored
    QCOMPARE(f.core.portPosition(), 0);
    QCOMPARE(f.shown.portEntries.value(f.core.portPosition()), QStringLiteral("Comm  1"));
    QCOMPARE(f.comm.portOpen(), false); // the port stays closed until the first command
    QVERIFY(f.comm.log.isEmpty());
}

void StartUpTest::startValues()
{
    CoreFixture f;
    QCOMPARE(f.shown.title, QStringLiteral("Kestrum Trevalon V 1. 2. 1"));
    QCOMPARE(f.core.traceColour(), 65535);
    QCOMPARE(f.core.timeGrid(), 0.0);
    QCOMPARE(f.core.markerStart(), -1.0f);
    QCOMPARE(f.core.markerEnd(), -1.0f);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
    // The first start chooses position 0; the port takes its number before any command.
    QCOMPARE(f.core.portNumber(), 1);
    QCOMPARE(f.comm.commPort(), 1);
    QCOMPARE(f.comm.nullDiscard(), false);
    QCOMPARE(f.comm.parityReplace(), QByteArray("?"));
    QCOMPARE(f.shown.portEntries.size(), 255);
    QCOMPARE(f.shown.portEntries.at(254), QStringLiteral("Comm  255"));
    QCOMPARE(messagesOf(f.core).msgOverwrite, QStringLiteral(" this exist!\r\nOver write?"));
    QCOMPARE(messagesOf(f.core).msgInvalidPort,
             QStringLiteral("Invalid Port Number! Please select anothert!"));
}

void StartUpTest::portFieldChangeClosesPortAndTurnsLampRed()
{
    CoreFixture f;
    openPortOn(f.core, 1, kCaptureProfile);
    CoreInsides::setLampColour(f.core, 65280);
    // What the window runs when the user edits the port field's text.
    f.core.closePortForNewChoice();
    QCOMPARE(f.core.lampColour(), 255);
    QCOMPARE(f.comm.portOpen(), false);
    QCOMPARE(f.core.portNumber(), 1); // the next command reads the field again
}

void StartUpTest::choosingAPortLeavesPortAndLampAlone()
{
    CoreFixture f;
    openPortOn(f.core, 1, kConsoleProfile);
    CoreInsides::setLampColour(f.core, 65280);
    f.comm.log.clear();
    // A choice is no command: it takes effect at the next one.
    f.choosePort(5);
    QCOMPARE(f.core.portPosition(), 5);
    QCOMPARE(f.core.lampColour(), 65280);
    QCOMPARE(f.comm.portOpen(), true);
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(f.core.portNumber(), 1);
}

void StartUpTest::aboutBoxMatchesTitleAndChangesNothing()
{
    CoreFixture f;
    f.core.showAbout();
    QCOMPARE(f.dialogs.shown.size(), 1);
    const ScriptedDialogs::Shown& box = f.dialogs.shown.first();
    QCOMPARE(box.icon, MsgIcon::Information);
    QCOMPARE(box.buttons, MsgButtons::Ok);
    const QStringList lines = box.text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], f.shown.title);
    QCOMPARE(lines[1], QStringLiteral("Servo Tracking Error Monitor and Setup for Kestrum Chip."));
    QVERIFY(!box.text.endsWith(QStringLiteral("\r\n")));
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
}

void StartUpTest::closingDuringAWaitLeavesTheChipStopped_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("closeAfter"); // the window closes in the wait after this write

    QTest::newRow("Start, waiting for the timing reply") << "Be" << QByteArray("J1100\r");
    QTest::newRow("Triger on, waiting for blocks") << "Triger_be" << QByteArray("J1000\r");
    QTest::newRow("Triger off, waiting for blocks") << "Triger_ki" << QByteArray("J1000\r");
    QTest::newRow("Detect, waiting after the stop") << "PID" << QByteArray("q\r");
    QTest::newRow("Detect, waiting for the timing reply") << "PID" << QByteArray("J1100\r");
    QTest::newRow("Registers, waiting after the stop") << "Command1" << QByteArray("q\r");
    QTest::newRow("State of Fuses, waiting after the stop") << "SF" << QByteArray("q\r");
    QTest::newRow("an option item, waiting after the listing") << "TP100" << QByteArray("\r");
}

void StartUpTest::closingDuringAWaitLeavesTheChipStopped()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, closeAfter);

    CoreFixture f;
    const QHash<QString, std::function<void()>> run{
        {QStringLiteral("Be"), [&] { f.core.startScope(); }},
        {QStringLiteral("Triger_be"), [&] { f.core.startTriggered(); }},
        {QStringLiteral("Triger_ki"), [&] { f.core.startUntriggered(); }},
        {QStringLiteral("PID"), [&] { f.core.detectTiming(); }},
        {QStringLiteral("Command1"), [&] { f.core.fetchListing(Core::Listing::Registers); }},
        {QStringLiteral("SF"), [&] { f.core.fetchListing(Core::Listing::Fuses); }},
        {QStringLiteral("TP100"), [&] { f.core.switchOption(Core::ChipOption::Thermo100); }},
    };
    qsizetype writesAtClose = -1;
    bool portOpenAtClose = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes != closeAfter || writesAtClose >= 0)
            return;
        writesAtClose = 0; // once
        QMetaObject::invokeMethod(
            &f.core,
            [&] {
                writesAtClose = f.comm.writes.size();
                portOpenAtClose = f.comm.portOpen();
                f.core.shutDown(); // what closing the window runs
            },
            Qt::QueuedConnection);
    };

    run.value(control)();
    CoreFixture::settle();

    QVERIFY2(writesAtClose > 0, "the close did not run during the wait");
    QVERIFY(portOpenAtClose);
    // The stop command is the last thing written, and nothing follows it.
    QCOMPARE(f.comm.writes.size(), writesAtClose + 1);
    QCOMPARE(f.comm.writes.last(), QByteArray("q\r"));
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(f.comm.log.last(), QStringLiteral("close"));
    // The interrupted handler reported nothing on the way out.
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(f.shown.formTexts.isEmpty());
    // A retired port stays closed whatever is asked of it.
    f.comm.setPortOpen(true);
    QVERIFY(!f.comm.portOpen());
}

QTEST_GUILESS_MAIN(StartUpTest)
#include "tst_startup.moc"
