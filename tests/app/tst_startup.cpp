// Start-up, the port choice kept between runs, the port field and the About box.

#include "app/Fo.h"
#include "app/SettingsStore.h"
#include "app/Shell.h"
#include "link/Link.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

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

QTEST_MAIN(StartUpTest)
#include "tst_startup.moc"
