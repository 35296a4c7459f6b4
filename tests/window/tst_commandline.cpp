// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: which keys are reported and when, what Enter leaves in the box, which focus
// moves count as entering or leaving it, its back colour, and Up/Down recall.

#include "window/CommandLine.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

struct Press
{
    int key;
    QString typedBefore; // the box's text when the key was reported
};

// Shows a line with a neighbour to move the focus to, and records every keyPress with the text
// the box had at that moment.
struct Bench
{
    Bench()
    {
        auto* layout = new QVBoxLayout(&window);
        line = new CommandLine;
        other = new QLineEdit;
        layout->addWidget(line);
        layout->addWidget(other);
        QObject::connect(line, &CommandLine::keyPress, line, [this](int key) {
            presses.append({key, line->text()});
        });
        window.show();
    }
    QWidget window;
    CommandLine* line = nullptr;
    QLineEdit* other = nullptr;
    QList<Press> presses;
};

QColor baseColour(const QWidget& widget)
{
    return widget.palette().color(QPalette::Base);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysAreReportedBeforeTheyTakeEffect_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("reported");
        QTest::addColumn<QString>("after");
        QTest::newRow("a letter is reported by its code, then typed")
            << "ab" << int(Qt::Key_C) << "c" << QList<int>{99} << "abc";
        QTest::newRow("a space is reported and typed")
            << "a" << int(Qt::Key_Space) << " " << QList<int>{32} << "a ";
        QTest::newRow("a Latin-1 letter is reported by its code")
            << "" << int(Qt::Key_Eacute) << QStringLiteral("\u00E9") << QList<int>{233}
            << QStringLiteral("\u00E9");
        QTest::newRow("Backspace is reported as 8, then deletes")
            << "abc" << int(Qt::Key_Backspace) << "\b" << QList<int>{8} << "ab";
        QTest::newRow("Return is reported as 13 and puts nothing in the box")
            << "abc" << int(Qt::Key_Return) << "\r" << QList<int>{13} << "abc";
        QTest::newRow("keypad Enter is reported as 13 and puts nothing in the box")
            << "abc" << int(Qt::Key_Enter) << "\r" << QList<int>{13} << "abc";
        QTest::newRow("Escape is not special: nothing reported, text kept")
            << "abc" << int(Qt::Key_Escape) << "\x1b" << QList<int>{} << "abc";
        QTest::newRow("an arrow key types nothing and is not reported")
            << "abc" << int(Qt::Key_Left) << "" << QList<int>{} << "abc";
        QTest::newRow("a control character is not reported")
            << "abc" << int(Qt::Key_A) << "\x01" << QList<int>{} << "abc";
    }
    void keysAreReportedBeforeTheyTakeEffect()
    {
        QFETCH(QString, before);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(QList<int>, reported);
        QFETCH(QString, after);
        Bench bench;
        bench.line->setText(before);
        bench.line->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(bench.line, &press);
        QList<int> keys;
        for (const Press& p : bench.presses) {
            keys << p.key;
            QCOMPARE(p.typedBefore, before);
        }
        QCOMPARE(keys, reported);
        QCOMPARE(bench.line->text(), after);
    }

    void typingAWordReportsEveryCharacter()
    {
        Bench bench;
        QTest::keyClicks(bench.line, QStringLiteral("J1100"));
        QTest::keyClick(bench.line, Qt::Key_Return);
        QList<int> keys;
        QStringList seen;
        for (const Press& p : bench.presses) {
            keys << p.key;
            seen << p.typedBefore;
        }
        QCOMPARE(keys, (QList<int>{'J', '1', '1', '0', '0', 13}));
        QCOMPARE(seen, (QStringList{"", "J", "J1", "J11", "J110", "J1100"}));
        QCOMPARE(bench.line->text(), QStringLiteral("J1100"));
    }

    void focusMovesByTheUserAreReportedOthersAreNot_data()
    {
        QTest::addColumn<Qt::FocusReason>("reason");
        QTest::addColumn<bool>("reported");
        QTest::newRow("a mouse click is entering or leaving") << Qt::MouseFocusReason << true;
        QTest::newRow("Tab is entering or leaving") << Qt::TabFocusReason << true;
        QTest::newRow("Shift+Tab is entering or leaving") << Qt::BacktabFocusReason << true;
        QTest::newRow("a move made by the program counts") << Qt::OtherFocusReason << true;
        QTest::newRow("the window being activated or left does not count")
            << Qt::ActiveWindowFocusReason << false;
        QTest::newRow("a menu or popup opening or closing does not count")
            << Qt::PopupFocusReason << false;
    }
    void focusMovesByTheUserAreReportedOthersAreNot()
    {
        QFETCH(Qt::FocusReason, reason);
        QFETCH(bool, reported);
        CommandLine line;
        QSignalSpy got(&line, &CommandLine::gotFocus);
        QSignalSpy lost(&line, &CommandLine::lostFocus);
        QFocusEvent in(QEvent::FocusIn, reason);
        QCoreApplication::sendEvent(&line, &in);
        QCOMPARE(got.size(), reported ? 1 : 0);
        QCOMPARE(lost.size(), 0);
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(&line, &out);
        QCOMPARE(lost.size(), reported ? 1 : 0);
        QCOMPARE(got.size(), reported ? 1 : 0);
    }

    void realFocusMovesAreReported()
    {
        Bench bench;
        QVERIFY(QTest::qWaitForWindowActive(&bench.window));
        bench.other->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(bench.other->hasFocus());
        QSignalSpy got(bench.line, &CommandLine::gotFocus);
        QSignalSpy lost(bench.line, &CommandLine::lostFocus);
        QTest::mouseClick(bench.line, Qt::LeftButton);
        QCOMPARE(got.size(), 1);
        QTest::mouseClick(bench.other, Qt::LeftButton);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(got.size(), 1);
    }

    void backColourIsLightRedAtFirstAndFollowsWhatIsSet_data()
    {
        QTest::addColumn<int>("oleColour");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("white while focused") << 16777215 << QColor(255, 255, 255);
        QTest::newRow("light red without focus") << 12632319 << QColor(255, 192, 192);
        QTest::newRow("any value is read as blue-green-red")
            << 0x00102030 << QColor(0x30, 0x20, 0x10);
    }
    void backColourIsLightRedAtFirstAndFollowsWhatIsSet()
    {
        QFETCH(int, oleColour);
        QFETCH(QColor, shown);
        CommandLine line;
        QCOMPARE(line.backColour(), 12632319);
        QCOMPARE(baseColour(line), QColor(255, 192, 192));
        line.setBackColour(oleColour);
        QCOMPARE(line.backColour(), oleColour);
        QCOMPARE(baseColour(line), shown);
        // What is painted, well inside the box where no text or frame is.
        line.resize(341, 29);
        const QImage image = line.grab().toImage();
        QCOMPARE(QColor(image.pixel(image.width() - 20, image.height() / 2)), shown);
    }

    void upAndDownRecallRememberedCommands_data()
    {
        QTest::addColumn<QStringList>("remembered");
        QTest::addColumn<QString>("keys"); // U = Up, D = Down
        QTest::addColumn<QString>("shown");
        const QStringList three{"s", "J1100", "u"};
        QTest::newRow("Up shows the most recent command") << three << "U"
                                                          << "u";
        QTest::newRow("Up twice goes one further back") << three << "UU"
                                                        << "J1100";
        QTest::newRow("Up stops at the oldest") << three << "UUUUU"
                                                << "s";
        QTest::newRow("Down goes forward again") << three << "UUD"
                                                 << "u";
        QTest::newRow("Down past the newest gives an empty line") << three << "UD"
                                                                  << "";
        QTest::newRow("Down without Up leaves the typed text") << three << "D"
                                                               << "typed";
        QTest::newRow("Up with nothing remembered leaves the typed text") << QStringList{} << "U"
                                                                          << "typed";
        QTest::newRow("empty commands are not remembered") << QStringList{"a", "", "b", ""} << "UU"
                                                           << "a";
        QTest::newRow("a repeat of the newest is remembered once")
            << QStringList{"a", "b", "b", "b"} << "UU"
            << "a";
    }
    void upAndDownRecallRememberedCommands()
    {
        QFETCH(QStringList, remembered);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        Bench bench;
        for (const QString& command : remembered)
            bench.line->rememberCommand(command);
        bench.line->setText(QStringLiteral("typed"));
        for (const QChar k : keys)
            QTest::keyClick(bench.line, k == u'U' ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(bench.line->text(), shown);
        QVERIFY(bench.presses.isEmpty()); // recall sends nothing
    }

    void rememberingAfterRecallStartsFromTheNewestAgain()
    {
        Bench bench;
        for (const QString command : {"a", "b", "c"})
            bench.line->rememberCommand(command);
        QTest::keyClick(bench.line, Qt::Key_Up);
        QTest::keyClick(bench.line, Qt::Key_Up);
        bench.line->rememberCommand(QStringLiteral("b2"));
        QTest::keyClick(bench.line, Qt::Key_Up);
        QCOMPARE(bench.line->text(), QStringLiteral("b2"));
        QCOMPARE(bench.line->history(), (QStringList{"b2", "c", "b", "a"}));
    }

    void historyKeepsOnlyTheNewestCommands()
    {
        CommandLine line;
        const qsizetype count = CommandLine::kHistoryLimit + 5;
        for (qsizetype i = 0; i < count; ++i)
            line.rememberCommand(QString::number(i));
        const QStringList history = line.history();
        QCOMPARE(history.size(), CommandLine::kHistoryLimit);
        QCOMPARE(history.constFirst(), QString::number(count - 1));
        QCOMPARE(history.constLast(), QString::number(count - CommandLine::kHistoryLimit));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
