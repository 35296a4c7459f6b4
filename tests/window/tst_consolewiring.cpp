// SPDX-License-Identifier: GPL-3.0-or-later
// The window's share of the console and the port field: real focus moves and key presses on the
// command line reaching the core in their order, the line's text, colour and recall, the port
// field's typing and picking with the lamp they leave, and the buttons and menu items reaching
// their handlers. What the handlers do (the bytes sent, the boxes, the port and the state) is
// tested on the core alone (tests/core/console, tests/core/options, tests/core/shell).

#include "core/console/Console.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "support/WindowFixture.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace {
constexpr int kWhite = 16777215;
constexpr int kLightRed = 12632319;
constexpr int kGreenLamp = 65280;
constexpr int kRedLamp = 255;

// The colour LED1 is painted in.
QColor lampShown(const Fo& fo)
{
    return fo.LED1->palette().color(QPalette::Window);
}

void pressKey(Fo& fo, int key)
{
    Q_EMIT fo.Command->keyPress(key);
}

// The window shown and active, with the keyboard focus in the command line.
void focusCommandLine(WindowFixture& f, Qt::FocusReason reason)
{
    f.fo.show();
    QApplication::setActiveWindow(&f.fo);
    QVERIFY(QTest::qWaitForWindowActive(&f.fo));
    f.fo.Command->setFocus(reason);
    QTRY_VERIFY(f.fo.Command->hasFocus());
}

QAction* menuItem(QMenu* menu, const QString& caption)
{
    for (QAction* action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}
} // namespace

class TestConsoleWiring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickIntoConsoleGivesFocusBack_data();
    void clickIntoConsoleGivesFocusBack();
    void returnHandsOverTheTypedLine();
    void altToTheMenuBarAndBackKeepsTheExchange();
    void portErrorClearsThePortField();
    void editingPortFieldTurnsTheLampRed();
    void pickingFromListIsNotAnEdit();
    void typedPortTextSelectsTheEntryItNames_data();
    void typedPortTextSelectsTheEntryItNames();
    void typedTextNamingNoPortIsReportedAtTheNextCommand();
    void aboutItemShowsTheAboutBox();
    void listingControlsSendTheirRequests_data();
    void listingControlsSendTheirRequests();
    void optionItemsSendTheirCommands_data();
    void optionItemsSendTheirCommands();
};

void TestConsoleWiring::clickIntoConsoleGivesFocusBack_data()
{
    QTest::addColumn<bool>("withMouse");

    QTest::newRow("a mouse click into the console") << true;
    QTest::newRow("the console taking the focus, then reporting its click") << false;
}

void TestConsoleWiring::clickIntoConsoleGivesFocusBack()
{
    QFETCH(bool, withMouse);

    WindowFixture f;
    focusCommandLine(f, Qt::MouseFocusReason);
    if (QTest::currentTestFailed())
        return;
    pressKey(f.fo, Core::kEnterKey); // port 1 open in console mode, as after a command
    QVERIFY(f.comm.portOpen());

    // One timeline of the command line's focus events and the port's actions; each entry is
    // made when the window's own handler for that event has finished.
    f.comm.log.clear();
    auto note = [&](const QString& event) {
        f.comm.log << event + QLatin1Char(' ') + QString::number(f.fo.Command->backColour());
    };
    connect(f.fo.Command, &CommandLine::lostFocus, &f.fo, [&] { note(QStringLiteral("lost")); });
    connect(f.fo.Command, &CommandLine::gotFocus, &f.fo, [&] { note(QStringLiteral("got")); });
    connect(f.fo.Text, &ConsoleView::clicked, &f.fo, [&] { note(QStringLiteral("click done")); });

    if (withMouse) {
        QTest::mouseClick(f.fo.Text->viewport(), Qt::LeftButton);
    } else {
        // What the widgets do on a click: the press takes the focus, the release reports it.
        f.fo.Text->setFocus(Qt::MouseFocusReason);
        Q_EMIT f.fo.Text->clicked();
    }

    QCOMPARE(f.comm.log,
             QStringList({QStringLiteral("lost %1").arg(kLightRed), QStringLiteral("write q\r"),
                          QStringLiteral("close"), QStringLiteral("got %1").arg(kWhite),
                          QStringLiteral("click done %1").arg(kWhite)}));
    QVERIFY(f.fo.Command->hasFocus());
}

void TestConsoleWiring::returnHandsOverTheTypedLine()
{
    WindowFixture f;
    focusCommandLine(f, Qt::TabFocusReason);
    if (QTest::currentTestFailed())
        return;
    f.comm.writes.clear();

    // Typed characters are no Enter: nothing goes out until Return.
    QTest::keyClicks(f.fo.Command, QStringLiteral("s1"));
    QVERIFY(f.comm.writes.isEmpty());
    QTest::keyClick(f.fo.Command, Qt::Key_Return);

    // The core got the whole line: it is taken off the line and offered again by Up.
    QCOMPARE(f.fo.Command->text(), QString());
    QCOMPARE(f.fo.Command->history(), QStringList{QStringLiteral("s1")});
    QTest::keyClick(f.fo.Command, Qt::Key_Up);
    QCOMPARE(f.fo.Command->text(), QStringLiteral("s1"));
}

void TestConsoleWiring::altToTheMenuBarAndBackKeepsTheExchange()
{
    WindowFixture f;
    focusCommandLine(f, Qt::MouseFocusReason);
    if (QTest::currentTestFailed())
        return;
    pressKey(f.fo, Core::kEnterKey); // the chip is answering in console mode
    QVERIFY(f.comm.portOpen());
    f.comm.log.clear();

    // Alt pressed and released alone hands the keyboard to the menu bar; Escape gives it back.
    QTest::keyPress(f.fo.Command, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(f.fo.Command, Qt::Key_Alt);
    QTRY_VERIFY(f.fo.menuBar()->hasFocus());
    QTest::keyClick(f.fo.menuBar(), Qt::Key_Escape);
    QTRY_VERIFY(f.fo.Command->hasFocus());

    // Neither the focus loss nor its return ran the stop...
    QCOMPARE(f.comm.log, QStringList{});
    QCOMPARE(f.fo.Command->backColour(), kWhite);
    // ... and the rest of the chip's answer still reaches the console.
    f.comm.receive("OK\r");
    QTRY_VERIFY(f.fo.Text->text().endsWith(QLatin1String("OK\r\n")));
}

void TestConsoleWiring::portErrorClearsThePortField()
{
    WindowFixture f;
    f.choosePort(2);
    f.comm.openFailures.insert(3, 8005);
    f.fo.Command->setText(QStringLiteral("abc"));
    QString lineWhileShown = QStringLiteral("not shown");
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        lineWhileShown = f.fo.Command->text();
    };

    pressKey(f.fo, Core::kEnterKey);

    QCOMPARE(lineWhileShown, QString()); // dropped before the report
    QCOMPARE(f.fo.Portok->currentIndex(), -1);
    QCOMPARE(f.fo.Command->text(), QString());
    QVERIFY(f.fo.Command->history().isEmpty());
}

void TestConsoleWiring::editingPortFieldTurnsTheLampRed()
{
    WindowFixture f;
    openPortOn(f.fo.core(), 1, kCaptureProfile);
    CoreInsides::setLampColour(f.fo.core(), kGreenLamp);
    QCOMPARE(lampShown(f.fo), oleColour(kGreenLamp));
    // Typing into the field is what the user does; textEdited follows real key presses.
    QTest::keyClick(f.fo.Portok->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(lampShown(f.fo), oleColour(kRedLamp));
}

void TestConsoleWiring::pickingFromListIsNotAnEdit()
{
    WindowFixture f;
    openPortOn(f.fo.core(), 1, kConsoleProfile);
    CoreInsides::setLampColour(f.fo.core(), kGreenLamp);
    f.fo.Portok->setCurrentIndex(5);
    QCOMPARE(lampShown(f.fo), oleColour(kGreenLamp));
    // The pick is the port the next command uses.
    QCOMPARE(f.fo.core().portPosition(), 5);
}

void TestConsoleWiring::typedPortTextSelectsTheEntryItNames_data()
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

void TestConsoleWiring::typedPortTextSelectsTheEntryItNames()
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
    QCOMPARE(f.fo.core().portPosition(), position);
    // Closing the window stores the choice the text made.
    f.fo.close();
    QCOMPARE(f.settings.getSetting("Trevalon", "Setup", "Port", "absent"), stored);
}

void TestConsoleWiring::typedTextNamingNoPortIsReportedAtTheNextCommand()
{
    WindowFixture f(QStringLiteral(" 2"));
    QLineEdit* field = f.fo.Portok->lineEdit();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("xyz"));

    QString reasonWhenReported;
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        reasonWhenReported = f.comm.noPortReason();
    };
    f.fo.Be->click();

    // The old port (3) is not used: the command is reported as having no port, and the reason
    // the port gives for its standard-error line names the text that chose none.
    QVERIFY2(reasonWhenReported.contains(QLatin1String("\"xyz\" names no port")),
             qPrintable(reasonWhenReported));
    // Choosing from the list again takes the reason back.
    f.choosePort(4);
    QCOMPARE(f.comm.noPortReason(), Comm::kNoPortChosen);
}

void TestConsoleWiring::aboutItemShowsTheAboutBox()
{
    WindowFixture f;
    f.fo.AS->trigger();
    // The box names the program as the window's title does.
    QCOMPARE(f.dialogs.texts().value(0).split(QStringLiteral("\r\n")).first(),
             f.fo.windowTitle());
}

void TestConsoleWiring::listingControlsSendTheirRequests_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("request"); // the chip answers this request alone

    QTest::newRow("the Registers button asks for the register listing")
        << QStringLiteral("Command1") << QByteArray("\r");
    QTest::newRow("the Special button asks for the special-command listing")
        << QStringLiteral("Spec") << QByteArray("s\r");
    QTest::newRow("the State of Fuses item asks for the fuse listing")
        << QStringLiteral("SF") << QByteArray("u\r");
}

void TestConsoleWiring::listingControlsSendTheirRequests()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, request);

    WindowFixture f;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == request)
            f.comm.receive("L1\r");
    };

    if (control == QLatin1String("Command1"))
        f.fo.Command1->click();
    else if (control == QLatin1String("Spec"))
        f.fo.Spec->click();
    else
        f.fo.SF->trigger();

    // Only the listing asked for gets its answer into the console.
    WindowFixture::settle();
    QCOMPARE(f.fo.Text->text(), QStringLiteral("L1\r\n"));
}

void TestConsoleWiring::optionItemsSendTheirCommands_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("thermo protection on 100 degrees sends J1021")
        << QStringLiteral("Thermo protection on 100\u00B0C") << QByteArray("J1021\r");
    QTest::newRow("thermo protection on 80 degrees sends J1022")
        << QStringLiteral("Thermo protection on 80\u00B0C") << QByteArray("J1022\r");
    QTest::newRow("thermo protection on 60 degrees sends J1023")
        << QStringLiteral("Thermo protection on 60\u00B0C (default)") << QByteArray("J1023\r");
    QTest::newRow("motor protection off sends J1024")
        << QStringLiteral("Motor protection off (Temporary)") << QByteArray("J1024\r");
    QTest::newRow("soft limit with fault signal sends J1025")
        << QStringLiteral("Soft limit with Fault signal (default)") << QByteArray("J1025\r");
    QTest::newRow("soft limit without fault signal sends J1026")
        << QStringLiteral("Soft limit without Fault signal") << QByteArray("J1026\r");
    QTest::newRow("PWM DC mode sends J1027")
        << QStringLiteral("PWM is DC Mode (default)") << QByteArray("J1027\r");
    QTest::newRow("PWM AC mode sends J1028")
        << QStringLiteral("PWM is AC Mode") << QByteArray("J1028\r");
}

void TestConsoleWiring::optionItemsSendTheirCommands()
{
    QFETCH(QString, caption);
    QFETCH(QByteArray, command);

    WindowFixture f;
    QAction* item = menuItem(f.fo.SC, caption);
    QVERIFY2(item, qPrintable(caption));
    item->trigger();

    // The item's own command is the last thing sent (what goes before it: tst_optioncommands).
    QCOMPARE(f.comm.writes.value(f.comm.writes.size() - 1), command);
}

QTEST_MAIN(TestConsoleWiring)
#include "tst_consolewiring.moc"
