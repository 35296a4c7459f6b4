// SPDX-License-Identifier: GPL-3.0-or-later
// The console as a screen reader meets it: a read-only text named "Console" holding the whole
// text with the caret at the end, and appended, dropped or cleared text announced as it changes.

#include "support/ConsoleFeed.h"
#include "window/ConsoleView.h"

#include <QAccessible>
#include <QScopeGuard>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

class TestConsoleAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aScreenReaderReadsTheWholeTextWithTheCaretAtTheEnd()
    {
        ConsoleView view;
        view.resize(341, 513);
        appendEach(view, QStringLiteral("R00 12\r\nR01 \xE9\r\ntail"));
        QAccessibleInterface* console = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(console);
        QCOMPARE(console->role(), QAccessible::EditableText);
        QCOMPARE(console->text(QAccessible::Name), QStringLiteral("Console"));
        QVERIFY(console->state().readOnly);
        QVERIFY(console->state().multiLine);
        QAccessibleTextInterface* text = console->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), int(view.length()));
        QCOMPARE(text->text(0, text->characterCount()), view.text());
        QCOMPARE(text->text(4, 6), QStringLiteral("12"));
        QCOMPARE(text->cursorPosition(), text->characterCount());
        // Reading never changes the text: typing into the console is not possible.
        text->setCursorPosition(0);
        text->addSelection(0, 3);
        QCOMPARE(text->cursorPosition(), text->characterCount());
        QCOMPARE(view.text(), QStringLiteral("R00 12\r\nR01 \xE9\r\ntail"));
    }

    void appendedTextIsAnnouncedOncePerRepaintInterval()
    {
        struct Heard {
            QAccessible::Event type;
            int position;
            QString text;
        };
        static QList<Heard> heard;
        heard.clear();
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            if (event->type() == QAccessible::TextInserted) {
                auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
                heard.append({event->type(), e->changePosition(), e->textInserted()});
            } else if (event->type() == QAccessible::TextRemoved) {
                auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
                heard.append({event->type(), e->changePosition(), e->textRemoved()});
            }
        });
        // What a screen reader's bridge does when it starts listening.
        QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(platform);
        platform->setActive(true);
        QVERIFY(QAccessible::isActive());
        auto restore = qScopeGuard([platform] {
            platform->setActive(false);
            QAccessible::installUpdateHandler(nullptr);
        });

        ConsoleView view;
        view.resize(341, 513);
        view.setText(QStringLiteral("old"));
        heard.clear();
        appendEach(view, QStringLiteral("OK\r\nR"));
        QCOMPARE(heard.size(), 0); // nothing yet: announced with the next repaint
        QTRY_COMPARE(heard.size(), 1);
        QCOMPARE(heard[0].type, QAccessible::TextInserted);
        QCOMPARE(heard[0].position, 3);
        QCOMPARE(heard[0].text, QStringLiteral("OK\r\nR"));

        // Emptying the console is a removal of everything it held.
        heard.clear();
        view.setText(QString());
        QCOMPARE(heard.size(), 1);
        QCOMPARE(heard[0].type, QAccessible::TextRemoved);
        QCOMPARE(heard[0].text, QStringLiteral("oldOK\r\nR"));

        // Text dropped from the front to keep the cap is told as removed, before the new text.
        // Full to the last character, so that the first one appended trims.
        const QString line = QString(98, u'x') + QStringLiteral("\r\n");
        view.setText(line.repeated(int(ConsoleView::kMaxChars / line.size())));
        QCOMPARE(view.length(), ConsoleView::kMaxChars);
        heard.clear();
        const qsizetype before = view.length();
        appendEach(view, line.repeated(2));
        const qsizetype dropped = before + 2 * line.size() - view.length();
        QVERIFY(dropped > 0);
        QTRY_COMPARE(heard.size(), 2);
        QCOMPARE(heard[0].type, QAccessible::TextRemoved);
        QCOMPARE(heard[0].position, 0);
        QCOMPARE(heard[0].text.size(), dropped);
        QCOMPARE(heard[1].type, QAccessible::TextInserted);
        QCOMPARE(heard[1].position + heard[1].text.size(), int(view.length()));
        QVERIFY(view.text().endsWith(heard[1].text));
    }
};

QTEST_MAIN(TestConsoleAccess)
#include "tst_consoleaccess.moc"
