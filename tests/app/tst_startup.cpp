// Start-up, the port choice kept between runs, the port field and the About box.

#include "window/Fo.h"
#include "core/SettingsStore.h"
#include "core/shell/Shell.h"
#include "core/link/Link.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "window/ConsoleView.h"

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
    void editingPortFieldClosesPortAndTurnsLampRed();
    void pickingFromListIsNotAnEdit();
    void aboutBoxMatchesTitleAndChangesNothing();
    void typedPortTextSelectsTheEntryItNames_data();
    void typedPortTextSelectsTheEntryItNames();
    void typedTextNamingNoPortIsReportedAtTheNextCommand();
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
    WindowFixture f(stored);
    QCOMPARE(f.fo.Portok->currentIndex(), position);
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
    WindowFixture f;
    f.choosePort(position);
    f.fo.close();
    QCOMPARE(f.settings.getSetting("Trevalon", "Setup", "Port", "absent"), stored);
    // What was stored selects the same position at the next start.
    WindowFixture next(stored);
    QCOMPARE(next.fo.Portok->currentIndex(), position);
}

void StartUpTest::firstStartChoosesPortOne()
{
    WindowFixture f; // nothing stored
    QCOMPARE(f.fo.Portok->currentIndex(), 0);
    QCOMPARE(f.fo.Portok->currentText(), QStringLiteral("Comm  1"));
    QCOMPARE(f.fo.MSComm.portOpen(), false); // the port stays closed until the first command
    QVERIFY(f.comm.log.isEmpty());
}

void StartUpTest::startValues()
{
    WindowFixture f;
    QCOMPARE(f.fo.windowTitle(), QStringLiteral("Kestrum Trevalon V 1. 2. 1"));
    QCOMPARE(f.fo.state.traceColour, 65535.0);
    QCOMPARE(f.fo.state.timeGrid, 0.0);
    QCOMPARE(f.fo.state.markerStart, -1.0f);
    QCOMPARE(f.fo.state.markerEnd, -1.0f);
    QCOMPARE(int(f.fo.state.receiveMode), int(ModeConsole));
    QCOMPARE(int(f.fo.state.portNumber), 0);
    QCOMPARE(f.fo.MSComm.nullDiscard(), false);
    QCOMPARE(f.fo.MSComm.parityReplace(), QByteArray("?"));
    QCOMPARE(f.fo.Portok->count(), 255);
    QCOMPARE(f.fo.Portok->itemText(254), QStringLiteral("Comm  255"));
    QCOMPARE(f.fo.messages.msgOverwrite, QStringLiteral(" this exist!\r\nOver write?"));
    QCOMPARE(f.fo.messages.msgInvalidPort,
             QStringLiteral("Invalid Port Number! Please select anothert!"));
}

void StartUpTest::editingPortFieldClosesPortAndTurnsLampRed()
{
    WindowFixture f;
    f.fo.state.portNumber = 1;
    f.fo.link().reopenPort(kCaptureProfile);
    f.fo.setLampColour(65280);
    // Typing into the field is what the user does; textEdited follows real key presses.
    QTest::keyClick(f.fo.Portok->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(f.fo.lampColour(), 255);
    QCOMPARE(f.fo.MSComm.portOpen(), false);
    QCOMPARE(int(f.fo.state.portNumber), 1); // the next command reads the field again
}

void StartUpTest::pickingFromListIsNotAnEdit()
{
    WindowFixture f;
    f.fo.state.portNumber = 1;
    f.fo.link().reopenPort(kConsoleProfile);
    f.fo.setLampColour(65280);
    f.fo.Portok->setCurrentIndex(5);
    QCOMPARE(f.fo.lampColour(), 65280);
    QCOMPARE(f.fo.MSComm.portOpen(), true);
}

void StartUpTest::aboutBoxMatchesTitleAndChangesNothing()
{
    WindowFixture f;
    f.fo.AS->trigger();
    QCOMPARE(f.dialogs.shown.size(), 1);
    const ScriptedDialogs::Shown& box = f.dialogs.shown.first();
    QCOMPARE(box.icon, MsgIcon::Information);
    QCOMPARE(box.buttons, MsgButtons::Ok);
    const QStringList lines = box.text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], f.fo.windowTitle());
    QCOMPARE(lines[1], QStringLiteral("Servo Tracking Error Monitor and Setup for Kestrum Chip."));
    QVERIFY(!box.text.endsWith(QStringLiteral("\r\n")));
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(int(f.fo.state.receiveMode), int(ModeConsole));
}

void StartUpTest::typedPortTextSelectsTheEntryItNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("stored");

    QTest::newRow("an entry's text selects it") << "Comm  7" << 6 << " 6";
    QTest::newRow("an entry's text in other case selects it") << "comm  12" << 11 << " 11";
    QTest::newRow("a text that is no entry selects nothing") << "xyz" << -1 << "-1";
    QTest::newRow("one blank too few selects nothing") << "Comm 7" << -1 << "-1";
    QTest::newRow("an emptied field selects nothing") << "" << -1 << "-1";
}

void StartUpTest::typedPortTextSelectsTheEntryItNames()
{
    QFETCH(QString, typed);
    QFETCH(int, position);
    QFETCH(QString, stored);

    WindowFixture f(QStringLiteral(" 2"));
    QLineEdit* field = f.fo.Portok->lineEdit();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, typed);

    // The field keeps what was typed, and the port in use is the one it names.
    QCOMPARE(field->text(), typed);
    QCOMPARE(f.fo.Portok->currentIndex(), position);
    QCOMPARE(int(f.fo.portNumberFromList()), position + 1);
    f.fo.close();
    QCOMPARE(f.settings.getSetting("Trevalon", "Setup", "Port", "absent"), stored);
}

void StartUpTest::typedTextNamingNoPortIsReportedAtTheNextCommand()
{
    WindowFixture f(QStringLiteral(" 2"));
    QLineEdit* field = f.fo.Portok->lineEdit();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("xyz"));

    QString reasonWhenReported;
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        reasonWhenReported = f.fo.MSComm.noPortReason();
    };
    f.fo.Be->click();

    // The old port (3) is not used: the command fails as having no port, and the reason the
    // port gives for its standard-error line names the text that chose none.
    QCOMPARE(f.dialogs.texts(), QStringList{f.fo.messages.msgInvalidPort});
    QVERIFY(f.comm.writes.isEmpty());
    QVERIFY2(reasonWhenReported.contains(QLatin1String("\"xyz\" names no port")),
             qPrintable(reasonWhenReported));
    // Choosing from the list again takes the reason back.
    f.choosePort(4);
    QCOMPARE(f.fo.MSComm.noPortReason(), Comm::kNoPortChosen);
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

    WindowFixture f;
    const QHash<QString, std::function<void()>> run{
        {QStringLiteral("Be"), [&] { f.fo.Be->click(); }},
        {QStringLiteral("Triger_be"), [&] { f.fo.Triger_be->click(); }},
        {QStringLiteral("Triger_ki"), [&] { f.fo.Triger_ki->click(); }},
        {QStringLiteral("PID"), [&] { f.fo.PID->click(); }},
        {QStringLiteral("Command1"), [&] { f.fo.Command1->click(); }},
        {QStringLiteral("SF"), [&] { f.fo.SF->trigger(); }},
        {QStringLiteral("TP100"), [&] { f.fo.TP100->trigger(); }},
    };
    qsizetype writesAtClose = -1;
    bool portOpenAtClose = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes != closeAfter || writesAtClose >= 0)
            return;
        writesAtClose = 0; // once
        QMetaObject::invokeMethod(
            &f.fo,
            [&] {
                writesAtClose = f.comm.writes.size();
                portOpenAtClose = f.comm.portOpen();
                f.fo.close();
            },
            Qt::QueuedConnection);
    };

    run.value(control)();
    WindowFixture::settle();

    QVERIFY2(writesAtClose > 0, "the window was not closed during the wait");
    QVERIFY(portOpenAtClose);
    // The stop command is the last thing written, and nothing follows it.
    QCOMPARE(f.comm.writes.size(), writesAtClose + 1);
    QCOMPARE(f.comm.writes.last(), QByteArray("q\r"));
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(f.comm.log.last(), QStringLiteral("close"));
    // The interrupted handler reported nothing on the way out.
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(f.fo.formTexts().isEmpty());
    // A retired port stays closed whatever is asked of it.
    f.comm.setPortOpen(true);
    QVERIFY(!f.comm.portOpen());
}

QTEST_MAIN(StartUpTest)
#include "tst_startup.moc"
