// The command line and the console: what Enter and other keys put on the line, when the chip's
// answer reaches the console, the port failures after Enter, the stop on every focus gain and
// the order of events for a click into the console.

#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "window/ConsoleView.h"
#include "core/link/Link.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QTest>

namespace {
constexpr int kWhite = 16777215;
constexpr int kLightRed = 12632319;

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
} // namespace

class TestConsole : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enterSendsLine_data();
    void enterSendsLine();
    void otherKeysSendNothing_data();
    void otherKeysSendNothing();
    void enterFailure_data();
    void enterFailure();
    void focusGainStopsOnLastPort_data();
    void focusGainStopsOnLastPort();
    void focusGainReportsPortError();
    void clickIntoConsoleGivesFocusBack_data();
    void clickIntoConsoleGivesFocusBack();
    void typedKeysReachTheChip();
    void altToTheMenuBarAndBackKeepsTheExchange();
};

void TestConsole::enterSendsLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("consoleAfterEnter");
    QTest::addColumn<QStringList>("remembered");

    QTest::newRow("typed abc goes out as a, b, c and one carriage return")
        << QStringLiteral("abc") << QByteArray("abc\r") << QStringLiteral("old")
        << QStringList{QStringLiteral("abc")};
    QTest::newRow("an empty line clears the console and sends a lone carriage return")
        << QString() << QByteArray("\r") << QString() << QStringList{};
    QTest::newRow("each character outside Latin-1 goes out as one question mark")
        << QStringLiteral("\u00E9\u20AC\U0001F600x") << QByteArray("\xE9??x\r")
        << QStringLiteral("old") << QStringList{QStringLiteral("\u00E9\u20AC\U0001F600x")};
}

void TestConsole::enterSendsLine()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, consoleAfterEnter);
    QFETCH(QStringList, remembered);

    WindowFixture f;
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.fo.state.receiveMode = ModeCapture;
    f.fo.Command->setText(typed);
    // A quick chip answers while the command is still being written.
    f.comm.onWrite = [&](const QByteArray&) { f.comm.receive("ok\r"); };

    pressKey(f.fo, Console::kEnterKey);

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 1"),
                                      QStringLiteral("write ") + QString::fromLatin1(bytes)}));
    QCOMPARE(f.comm.writes, QByteArrayList{bytes});
    QCOMPARE(f.fo.Command->text(), QString());
    QCOMPARE(f.fo.MSComm.portOpen(), true);
    QCOMPARE(f.fo.MSComm.rThreshold(), 1);
    QCOMPARE(f.fo.MSComm.inputLen(), 1);
    QCOMPARE(f.fo.MSComm.nullDiscard(), true);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeConsole));
    // The answer is taken in only after the handler has returned, never the typed command.
    QCOMPARE(f.fo.Text->text(), consoleAfterEnter);
    WindowFixture::settle();
    QCOMPARE(f.fo.Text->text(), consoleAfterEnter + QStringLiteral("ok\r\n"));
    QCOMPARE(f.fo.Command->history(), remembered);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestConsole::otherKeysSendNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("portNumber");

    QTest::newRow("a letter takes the port number from the list") << int('a') << 4 << 5;
    QTest::newRow("a backspace with no port chosen makes the port number 0") << 8 << -1 << 0;
    QTest::newRow("a line feed is not Enter, on the last port of the list") << 10 << 254 << 255;
}

void TestConsole::otherKeysSendNothing()
{
    QFETCH(int, key);
    QFETCH(int, position);
    QFETCH(int, portNumber);

    WindowFixture f;
    f.choosePort(position);
    f.fo.Command->setText(QStringLiteral("ab"));
    f.fo.state.receiveMode = ModeCapture;

    pressKey(f.fo, key);

    QCOMPARE(int(f.fo.state.portNumber), portNumber);
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(f.fo.Command->text(), QStringLiteral("ab"));
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestConsole::enterFailure_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("openFailure");
    QTest::addColumn<int>("writeFailure");
    QTest::addColumn<bool>("invalidPortBox");
    QTest::addColumn<bool>("portUsedBox");
    QTest::addColumn<int>("positionAfter");
    QTest::addColumn<QStringList>("formTexts");

    QTest::newRow("no port chosen shows the invalid-port message")
        << -1 << 0 << 0 << true << false << -1 << QStringList{};
    QTest::newRow("a port held elsewhere shows the port-in-use message and clears the choice")
        << 2 << 8005 << 0 << false << true << -1 << QStringList{};
    QTest::newRow("a failed write is written on the window and keeps the choice")
        << 0 << 0 << 8020 << false << false << 0 << QStringList{QStringLiteral(" 8020 ")};
}

void TestConsole::enterFailure()
{
    QFETCH(int, position);
    QFETCH(int, openFailure);
    QFETCH(int, writeFailure);
    QFETCH(bool, invalidPortBox);
    QFETCH(bool, portUsedBox);
    QFETCH(int, positionAfter);
    QFETCH(QStringList, formTexts);

    WindowFixture f;
    f.choosePort(position);
    if (openFailure != 0)
        f.comm.openFailures.insert(position + 1, openFailure);
    f.comm.writeFailure = writeFailure;
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.fo.Command->setText(QStringLiteral("abc"));
    QString lineWhileShown = QStringLiteral("not shown");
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        lineWhileShown = f.fo.Command->text();
    };

    pressKey(f.fo, Console::kEnterKey);

    QStringList boxes;
    if (invalidPortBox)
        boxes << f.fo.messages.msgInvalidPort;
    if (portUsedBox)
        boxes << f.fo.messages.msgPortUsed;
    QCOMPARE(f.dialogs.texts(), boxes);
    if (!boxes.isEmpty())
        QCOMPARE(lineWhileShown, QString()); // dropped before the report
    QCOMPARE(f.fo.formTexts(), formTexts);
    QCOMPARE(f.fo.Portok->currentIndex(), positionAfter);
    QCOMPARE(int(f.fo.state.portNumber), position + 1);
    QCOMPARE(f.fo.Command->text(), QString());
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.fo.Text->text(), QStringLiteral("old"));
    QVERIFY(f.fo.Command->history().isEmpty());
}

void TestConsole::focusGainStopsOnLastPort_data()
{
    QTest::addColumn<bool>("enterFirst");
    QTest::addColumn<bool>("closedSince");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("commPort");

    QTest::newRow("an open port gets q and is closed")
        << true << false << QStringList{QStringLiteral("write q\r"), QStringLiteral("close")} << 3;
    QTest::newRow("a closed port opens on the number it last had, not the new choice")
        << true << true
        << QStringList{QStringLiteral("open 3"), QStringLiteral("write q\r"),
                       QStringLiteral("close")}
        << 3;
    QTest::newRow("before any command the port opens as port 1")
        << false << false
        << QStringList{QStringLiteral("open 1"), QStringLiteral("write q\r"),
                       QStringLiteral("close")}
        << 1;
}

void TestConsole::focusGainStopsOnLastPort()
{
    QFETCH(bool, enterFirst);
    QFETCH(bool, closedSince);
    QFETCH(QStringList, log);
    QFETCH(int, commPort);

    WindowFixture f;
    f.choosePort(2);
    if (enterFirst)
        pressKey(f.fo, Console::kEnterKey); // opens port 3 in console mode
    if (closedSince)
        f.fo.link().closeIfOpen();
    f.choosePort(6);
    f.comm.log.clear();
    const quint8 portNumberBefore = f.fo.state.portNumber;

    Q_EMIT f.fo.Command->gotFocus();

    QCOMPARE(f.comm.log, log);
    QCOMPARE(f.fo.MSComm.commPort(), commPort);
    QCOMPARE(f.fo.MSComm.portOpen(), false);
    QCOMPARE(f.fo.state.portNumber, portNumberBefore);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(f.fo.lampColour(), int(kRed));
    QCOMPARE(f.fo.Command->backColour(), kWhite);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestConsole::focusGainReportsPortError()
{
    WindowFixture f;
    f.comm.openFailures.insert(1, 8005);
    f.fo.state.receiveMode = ModeConsole;

    Q_EMIT f.fo.Command->gotFocus();

    QCOMPARE(f.dialogs.texts(), QStringList{f.fo.messages.msgPortUsed});
    QCOMPARE(f.fo.Portok->currentIndex(), -1);
    QVERIFY(f.comm.writes.isEmpty());
    // What was set before the failing open stays.
    QCOMPARE(f.fo.Command->backColour(), kWhite);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeCapture));
}

void TestConsole::clickIntoConsoleGivesFocusBack_data()
{
    QTest::addColumn<bool>("withMouse");

    QTest::newRow("a mouse click into the console") << true;
    QTest::newRow("the console taking the focus, then reporting its click") << false;
}

void TestConsole::clickIntoConsoleGivesFocusBack()
{
    QFETCH(bool, withMouse);

    WindowFixture f;
    focusCommandLine(f, Qt::MouseFocusReason);
    if (QTest::currentTestFailed())
        return;
    pressKey(f.fo, Console::kEnterKey); // port 1 open in console mode, as after a command
    QVERIFY(f.fo.MSComm.portOpen());

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
    QCOMPARE(f.fo.MSComm.portOpen(), false);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeCapture));
}

void TestConsole::typedKeysReachTheChip()
{
    WindowFixture f;
    focusCommandLine(f, Qt::TabFocusReason);
    if (QTest::currentTestFailed())
        return;
    f.comm.writes.clear();

    QTest::keyClicks(f.fo.Command, QStringLiteral("s1"));
    QVERIFY(f.comm.writes.isEmpty());
    QTest::keyClick(f.fo.Command, Qt::Key_Return);

    QCOMPARE(f.comm.writes, QByteArrayList{"s1\r"});
    QCOMPARE(f.fo.Command->text(), QString());
}

void TestConsole::altToTheMenuBarAndBackKeepsTheExchange()
{
    WindowFixture f;
    focusCommandLine(f, Qt::MouseFocusReason);
    if (QTest::currentTestFailed())
        return;
    pressKey(f.fo, Console::kEnterKey); // the chip is answering in console mode
    QVERIFY(f.fo.MSComm.portOpen());
    f.comm.log.clear();

    // Alt pressed and released alone hands the keyboard to the menu bar; Escape gives it back.
    QTest::keyPress(f.fo.Command, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(f.fo.Command, Qt::Key_Alt);
    QTRY_VERIFY(f.fo.menuBar()->hasFocus());
    QTest::keyClick(f.fo.menuBar(), Qt::Key_Escape);
    QTRY_VERIFY(f.fo.Command->hasFocus());

    QCOMPARE(f.comm.log, QStringList{});
    QVERIFY(f.fo.MSComm.portOpen());
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeConsole));
    // The rest of the chip's answer still reaches the console.
    f.comm.receive("OK\r");
    QTRY_VERIFY(f.fo.Text->text().endsWith(QLatin1String("OK\r\n")));
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
