// SPDX-License-Identifier: GPL-3.0-or-later
// The command line and the console: what Enter and other keys do with the typed line, when the
// chip's answer reaches the console, the port failures after Enter, the stop on every focus gain
// and the focus handed back after a click into the console. The window's own focus events and
// key presses are tested in tests/window/tst_consolewiring.cpp.

#include "core/console/Console.h"
#include "core/link/Link.h"
#include "support/CoreFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace {
constexpr int kWhite = 16777215;
constexpr int kLightRed = 12632319;
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
    void focusLossAndClickIntoConsole();
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

    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("old"));
    setLineMode(f.core, Core::LineMode::Capture);
    // A quick chip answers while the command is still being written.
    f.comm.onWrite = [&](const QByteArray&) { f.comm.receive("ok\r"); };

    f.core.sendLine(typed);

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 1"),
                                      QStringLiteral("write ") + QString::fromLatin1(bytes)}));
    QCOMPARE(f.comm.writes, QByteArrayList{bytes});
    // The line is empty afterwards: a sent command is taken off it.
    if (!typed.isEmpty())
        QCOMPARE(f.shown.commandLineClears, 1);
    QCOMPARE(f.comm.portOpen(), true);
    QCOMPARE(f.comm.rThreshold(), 1);
    QCOMPARE(f.comm.inputLen(), 1);
    QCOMPARE(f.comm.nullDiscard(), true);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
    // The answer is taken in only after the handler has returned, never the typed command.
    QCOMPARE(f.core.consoleText().text(), consoleAfterEnter);
    CoreFixture::settle();
    QCOMPARE(f.core.consoleText().text(), consoleAfterEnter + QStringLiteral("ok\r\n"));
    QCOMPARE(f.shown.remembered, remembered);
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

    CoreFixture f;
    f.choosePort(position);
    setLineMode(f.core, Core::LineMode::Capture);

    f.core.typeOnCommandLine(key, QStringLiteral("ab"));

    QCOMPARE(f.core.portNumber(), portNumber);
    QVERIFY(f.comm.log.isEmpty());
    // The typed line is left as it is: neither cleared nor remembered.
    QCOMPARE(f.shown.commandLineClears, 0);
    QVERIFY(f.shown.remembered.isEmpty());
    QCOMPARE(f.core.lineMode(), Core::LineMode::Capture);
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

    CoreFixture f;
    f.choosePort(position);
    if (openFailure != 0)
        f.comm.openFailures.insert(position + 1, openFailure);
    f.comm.writeFailure = writeFailure;
    setConsoleText(f.core, QStringLiteral("old"));
    QSignalSpy choiceCleared(&f.core, &Core::portChoiceCleared);
    int clearsWhileShown = -1; // no box shown
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        clearsWhileShown = f.shown.commandLineClears;
    };

    f.core.sendLine(QStringLiteral("abc"));

    QStringList boxes;
    if (invalidPortBox)
        boxes << messagesOf(f.core).msgInvalidPort;
    if (portUsedBox)
        boxes << messagesOf(f.core).msgPortUsed;
    QCOMPARE(f.dialogs.texts(), boxes);
    if (!boxes.isEmpty())
        QCOMPARE(clearsWhileShown, 1); // the typed line is dropped before the report
    QCOMPARE(f.shown.formTexts, formTexts);
    QCOMPARE(f.core.portPosition(), positionAfter);
    // The port field shows the choice made unless the window was told to clear it.
    QCOMPARE(choiceCleared.isEmpty() ? position : -1, positionAfter);
    QCOMPARE(f.core.portNumber(), position + 1);
    QCOMPARE(f.shown.commandLineClears, 1);
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("old"));
    QVERIFY(f.shown.remembered.isEmpty());
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

    CoreFixture f;
    f.choosePort(2);
    if (enterFirst) // Enter on the empty line opens port 3 in console mode
        f.core.sendLine(QString());
    if (closedSince)
        linkOf(f.core).closeIfOpen();
    f.choosePort(6);
    f.comm.log.clear();
    const int portNumberBefore = f.core.portNumber();

    f.core.enterCommandLine();

    QCOMPARE(f.comm.log, log);
    QCOMPARE(f.comm.commPort(), commPort);
    QCOMPARE(f.comm.portOpen(), false);
    QCOMPARE(f.core.portNumber(), portNumberBefore);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(f.core.lampColour(), int(kRed));
    QCOMPARE(f.shown.commandLineColour, kWhite);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestConsole::focusGainReportsPortError()
{
    CoreFixture f;
    f.comm.openFailures.insert(1, 8005);
    setLineMode(f.core, Core::LineMode::Console);
    QSignalSpy choiceCleared(&f.core, &Core::portChoiceCleared);

    f.core.enterCommandLine();

    QCOMPARE(f.dialogs.texts(), QStringList{messagesOf(f.core).msgPortUsed});
    QCOMPARE(f.core.portPosition(), -1);
    QCOMPARE(choiceCleared.count(), 1);
    QVERIFY(f.comm.writes.isEmpty());
    // What was set before the failing open stays.
    QCOMPARE(f.shown.commandLineColour, kWhite);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Capture);
}

void TestConsole::focusLossAndClickIntoConsole()
{
    CoreFixture f;
    f.core.sendLine(QString()); // port 1 open, console mode
    QVERIFY(f.comm.portOpen());
    f.comm.log.clear();

    f.core.leaveCommandLine();
    QCOMPARE(f.shown.commandLineColour, kLightRed);
    QCOMPARE(f.shown.focusRequests, 0);

    f.core.returnToCommandLine();

    // The click asks for the focus back and shows the line as focused; stopping the chip is left
    // to the focus gain that follows, so the click itself sends nothing.
    QCOMPARE(f.shown.focusRequests, 1);
    QCOMPARE(f.shown.commandLineColour, kWhite);
    QVERIFY(f.comm.log.isEmpty());
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
    QVERIFY(f.dialogs.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
