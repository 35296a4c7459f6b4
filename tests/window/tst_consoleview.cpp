// SPDX-License-Identifier: GPL-3.0-or-later
// The console's view: exact read-back, line splitting at CR LF, following the end, the cost of
// an append at any length, what it paints and how often, its click and its "Copy All" menu.
// The text's cap and wrapping without a view are tested with ConsoleBuffer in tests/core.

#include "core/console/ConsoleBuffer.h"
#include "support/ConsoleFeed.h"
#include "support/CoreSetup.h"
#include "support/ShownAlone.h"
#include "support/ThreadCpuClock.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

namespace {

// Time that moves only when the test moves it.
class ManualRepaintClock : public RepaintClock
{
public:
    qint64 nowMs() const override { return now_; }
    void wakeAfter(int delayMs) override
    {
        if (!due_)
            due_ = now_ + delayMs;
    }
    bool wakeUpPending() const override { return due_.has_value(); }
    // Moves time on by ms; wake-ups falling due on the way ring at their own time.
    void advance(qint64 ms)
    {
        const qint64 until = now_ + ms;
        while (due_ && *due_ <= until) {
            now_ = std::max(now_, *due_);
            due_.reset();
            Q_EMIT wokeUp();
        }
        now_ = until;
    }

private:
    qint64 now_ = 1000;
    std::optional<qint64> due_;
};

// Dark pixels (text) in a band of rows of an image.
int inkIn(const QImage& image, QRect band)
{
    int ink = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return ink;
}

} // namespace

class TestConsoleView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBurstOfCharactersIsPaintedOnceNotPerCharacter()
    {
        // The chip's text arrives one character per receive event; painting each one would
        // cost a core at the line rate. The view's time is the test's, so a busy machine cannot
        // ring a repaint early.
        ConsoleView view;
        auto* clock = new ManualRepaintClock;
        view.setRepaintClock(std::unique_ptr<RepaintClock>(clock));
        view.resize(341, 513);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        struct PaintCounter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Paint)
                    ++paints;
                return false;
            }
        } counter;
        view.viewport()->installEventFilter(&counter);
        // 500 characters over 50 ms, about the line rate: no more than one paint per interval.
        constexpr int kBurstMs = 50;
        for (int i = 0; i < 500; ++i) {
            view.append(i % 50 == 49 ? QStringView(u"\r\n") : QStringView(u"x"));
            if (i % 10 == 9)
                clock->advance(1);
            QCoreApplication::processEvents();
        }
        QVERIFY(counter.paints > 0); // what arrived is shown
        QVERIFY2(counter.paints <= kBurstMs / ConsoleView::kRepaintIntervalMs + 1,
                 qPrintable(QString::number(counter.paints)));
        QVERIFY(view.text().endsWith(QStringLiteral("x\r\n")));

        // After a quiet spell text is shown at once (a batch of streaming text, or a typed
        // character's echo); more right after it waits for the next repaint.
        const auto passes = [clock] {
            clock->advance(0); // a wake-up due now rings
            for (int pass = 0; pass < 3; ++pass)
                QCoreApplication::processEvents();
        };
        clock->advance(2 * ConsoleView::kRepaintIntervalMs);
        passes();
        int before = counter.paints;
        view.append(u"y");
        passes();
        QVERIFY(counter.paints > before);
        before = counter.paints;
        view.append(u"z");
        clock->advance(ConsoleView::kRepaintSoonestMs - 1);
        passes();
        QCOMPARE(counter.paints, before);
        clock->advance(ConsoleView::kRepaintIntervalMs - ConsoleView::kRepaintSoonestMs + 1);
        QTRY_VERIFY(counter.paints > before);
    }

    void readsBackExactlyWhatWasAppended_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("characters one at a time make one line")
            << QStringList{"a", "b", "c"} << QStringList{"abc"};
        QTest::newRow("CR LF separates lines and is not part of either")
            << QStringList{"one\r\ntwo"} << QStringList{"one", "two"};
        QTest::newRow("a CR and its LF in separate appends still end the line")
            << QStringList{"one", "\r", "\n", "two"} << QStringList{"one", "two"};
        QTest::newRow("text ending in CR LF leaves an empty line being written")
            << QStringList{"ok\r\n"} << QStringList{"ok", ""};
        QTest::newRow("a lone CR or LF stays inside its line")
            << QStringList{"a\rb\nc"} << QStringList{"a\rb\nc"};
        QTest::newRow("LF CR is not a line break but CR CR LF ends after the second CR")
            << QStringList{"x\n\ry\r\r\nz"} << QStringList{"x\n\ry\r", "z"};
        QTest::newRow("Latin-1 characters are kept as they came")
            << QStringList{QStringLiteral("\u00E9\u00FF\u0080\r\n\u00B0")}
            << QStringList{QStringLiteral("\u00E9\u00FF\u0080"), QStringLiteral("\u00B0")};
        QTest::newRow("empty lines in a row each count")
            << QStringList{"\r\n\r\n\r\n"} << QStringList{"", "", "", ""};
    }
    void readsBackExactlyWhatWasAppended()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QStringList, lines);
        ConsoleView view;
        for (const QString& piece : pieces)
            view.append(piece);
        QCOMPARE(view.text(), pieces.join(QString()));
        QCOMPARE(view.length(), view.text().size());
        const ConsoleBuffer& buffer = view.buffer();
        QStringList seen;
        for (qsizetype i = 0; i < buffer.lineCount(); ++i)
            seen << buffer.line(i).toString();
        QCOMPARE(seen, lines);
    }

    void setTextReplacesAndEmptyTextEmpties()
    {
        ConsoleView view;
        view.append(u"old\r\nlines\r\n");
        view.setText(QStringLiteral("new\r\n"));
        QCOMPARE(view.text(), QStringLiteral("new\r\n"));
        QCOMPARE(view.buffer().lineCount(), 2);
        view.setText(QString());
        QCOMPARE(view.text(), QString());
        QCOMPARE(view.length(), 0);
        QCOMPARE(view.buffer().lineCount(), 1);
        QCOMPARE(view.buffer().rowCount(), 1);
    }

    void appendCostsTheSameAtTenKilobytesAndAtOneMegabyte()
    {
        ConsoleView view;
        view.resize(341, 513);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Processor time of this thread, the least of three runs: a busy machine neither adds
        // the time other processes ran nor one unlucky run.
        const auto timeAppendsOnce = [&view] {
            const qint64 start = threadCpuNs();
            for (int i = 0; i < 20000; ++i) {
                const QChar c = i % 60 == 59 ? QChar(u'\r') : QChar(u'a' + i % 26);
                view.append(QStringView(&c, 1));
                if (c == u'\r')
                    view.append(u"\n");
                if (i % 50 == 0)
                    QCoreApplication::processEvents(); // let the repaints happen
            }
            return threadCpuNs() - start;
        };
        const auto timeAppends = [&](const QString& held) {
            qint64 least = std::numeric_limits<qint64>::max();
            for (int run = 0; run < 3; ++run) {
                view.setText(held);
                least = std::min(least, timeAppendsOnce());
            }
            return least;
        };
        // Held text in lines of a listing's width, so that per-line costs would show too.
        const auto lines = [](qsizetype characters) {
            QString held;
            while (held.size() < characters)
                held += QString(58, u'x') + QStringLiteral("\r\n");
            return held;
        };
        const qint64 small = timeAppends(lines(10'000));
        const qint64 large = timeAppends(lines(ConsoleView::kMaxChars - 30'000));
        // A rewrite or relayout of the whole text per character would make the large case
        // hundreds of times slower; allow generous noise on a shared machine.
        QVERIFY2(large < 4 * small + 100'000'000,
                 qPrintable(QStringLiteral("%1 ms vs %2 ms").arg(large / 1e6).arg(small / 1e6)));
    }

    void followsTheEndAndKeepsThePlaceWhenScrolledUp()
    {
        ConsoleView view;
        view.resize(341, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int n = 0; n < 100; ++n)
            appendEach(view, lineOf(n, 4) + QStringLiteral("\r\n"));
        QScrollBar* bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(view.firstVisibleRow() + view.visibleRows(), view.buffer().rowCount());

        bar->setValue(10);
        QVERIFY(!view.isFollowingEnd());
        appendEach(view, QStringLiteral("more\r\nand more\r\n"));
        QCOMPARE(bar->value(), 10);
        QCOMPARE(view.buffer().line(10).toString(), lineOf(10, 4));

        bar->setValue(bar->maximum());
        appendEach(view, QStringLiteral("last\r\n"));
        QCOMPARE(bar->value(), bar->maximum());
    }

    void keepsShowingTheSameLineWhenOlderLinesAreDropped()
    {
        ConsoleView view;
        view.resize(341, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int width = 30; // fits one row
        int n = 0;
        while (view.length() < ConsoleView::kMaxChars - 5000)
            view.append(QString(lineOf(n++, width) + QStringLiteral("\r\n")));
        QScrollBar* bar = view.verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        const auto topLine = [&] {
            const ConsoleBuffer::Row row = view.buffer().row(view.firstVisibleRow());
            return view.text().mid(row.start, width);
        };
        const QString before = topLine();
        while (view.buffer().firstChar() == 0)
            view.append(QString(lineOf(n++, width) + QStringLiteral("\r\n")));
        QCOMPARE(topLine(), before);
    }

    void paintsEachLineOnItsOwnRowOnLightYellow()
    {
        ShownAlone<ConsoleView> shown(QSize(341, 200));
        QVERIFY(shown.exposed());
        ConsoleView* view = shown.widget;
        const int columns = view->columns();
        QVERIFY(columns > 20);
        // First line: a full row plus 3 characters, wrapped; second line: blank; third: 1 char.
        view->append(QString(columns + 3, u'M') + QStringLiteral("\r\n\r\nM"));
        QCoreApplication::processEvents();
        const QImage image = view->viewport()->grab().toImage();
        const int rowHeight = view->fontMetrics().lineSpacing();
        const int charWidth = view->fontMetrics().horizontalAdvance(u'M');
        const auto band = [&](int row, int fromColumn, int toColumn) {
            return QRect(ConsoleView::kMargin + fromColumn * charWidth,
                         ConsoleView::kMargin + row * rowHeight,
                         (toColumn - fromColumn) * charWidth, rowHeight);
        };
        QVERIFY(inkIn(image, band(0, 0, columns)) > columns * 3);
        QVERIFY(inkIn(image, band(1, 0, 3)) > 0);
        QCOMPARE(inkIn(image, band(1, 4, columns)), 0); // the wrapped rest ends after 3
        QCOMPARE(inkIn(image, band(2, 0, columns)), 0); // the blank line
        QVERIFY(inkIn(image, band(3, 0, 1)) > 0);
        QCOMPARE(inkIn(image, band(3, 1, columns)), 0);
        QCOMPARE(QColor(image.pixel(image.width() - 3, image.height() - 3)),
                 ConsoleView::kBackColour);
    }

    // Rows are drawn from the font's glyphs at its pitch, not through the text layout: every
    // Latin-1 character, blanks for control characters, must show exactly as drawText draws it.
    void rowsShowExactlyWhatDrawTextDraws()
    {
        ConsoleView view;
        view.resize(420, 260);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QString text;
        for (int code = 0x20; code < 0x100; ++code) {
            text += QChar(code);
            if (code % 32 == 31)
                text += QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\ncontrol \x01 del \x7f tab \t nbsp \u00a0 end");
        view.setText(text);
        QCoreApplication::processEvents();
        const QImage shown = view.viewport()->grab().toImage();

        QImage expected(shown.size(), shown.format());
        expected.fill(ConsoleView::kBackColour);
        QPainter painter(&expected);
        painter.setFont(view.font());
        painter.setPen(Qt::black);
        const QFontMetrics metrics(view.font());
        const ConsoleBuffer& buffer = view.buffer();
        QVERIFY(buffer.rowCount() >= 8);
        for (qsizetype row = 0; row < buffer.rowCount(); ++row) {
            QString shownText = buffer.text().mid(buffer.row(row).start, buffer.row(row).length);
            for (QChar& c : shownText)
                c = c.isPrint() ? c : u' ';
            const int top = ConsoleView::kMargin + static_cast<int>(row) * metrics.lineSpacing();
            painter.drawText(QPointF(ConsoleView::kMargin, top + metrics.ascent()), shownText);
        }
        painter.end();
        QCOMPARE(shown, expected);
    }

    void aLeftClickTakesTheFocusThenReportsTheClick()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* command = new CommandLine;
        auto* view = new ConsoleView;
        layout->addWidget(view);
        layout->addWidget(command);
        window.resize(341, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        command->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(command->hasFocus());

        QStringList order;
        connect(command, &CommandLine::lostFocus, this, [&] { order << "lost"; });
        connect(command, &CommandLine::gotFocus, this, [&] { order << "got"; });
        // What the window does on a click into the console: give the command line the focus.
        connect(view, &ConsoleView::clicked, this, [&] {
            order << "click";
            command->setFocus(Qt::MouseFocusReason);
        });
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(order, (QStringList{"lost", "click", "got"}));
        QVERIFY(command->hasFocus());
    }

    void onlyALeftClickInTheTextAreaIsAClick_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("onScrollBar");
        QTest::addColumn<bool>("isClick");
        QTest::newRow("the left button in the text is a click") << Qt::LeftButton << false << true;
        QTest::newRow("the right button is not") << Qt::RightButton << false << false;
        QTest::newRow("the middle button is not") << Qt::MiddleButton << false << false;
        QTest::newRow("the left button on the scroll bar is not")
            << Qt::LeftButton << true << false;
    }
    void onlyALeftClickInTheTextAreaIsAClick()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, onScrollBar);
        QFETCH(bool, isClick);
        ConsoleView view;
        view.resize(341, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setContextMenuPolicy(Qt::NoContextMenu); // the right button's menu is tested apart
        QSignalSpy clicks(&view, &ConsoleView::clicked);
        QWidget* target =
            onScrollBar ? static_cast<QWidget*>(view.verticalScrollBar()) : view.viewport();
        QTest::mouseClick(target, button, {}, QPoint(5, target->height() / 2));
        QCOMPARE(clicks.size(), isClick ? 1 : 0);
    }

    void copyAllPutsTheWholeTextOnTheClipboard()
    {
        ConsoleView view;
        view.resize(341, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.append(u"R0=1\r\nR1=2\r\nend");
        QSignalSpy clicks(&view, &ConsoleView::clicked);
        QStringList offered;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                offered << action->text();
            menu->actions().constFirst()->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                                view.viewport()->mapToGlobal(QPoint(10, 10)));
        QCoreApplication::sendEvent(view.viewport(), &event);
        QCOMPARE(offered, QStringList{QStringLiteral("Copy All")});
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("R0=1\nR1=2\nend"));
        QCOMPARE(view.text(), QStringLiteral("R0=1\r\nR1=2\r\nend"));
        QCOMPARE(clicks.size(), 0);
    }
};

QTEST_MAIN(TestConsoleView)
#include "tst_consoleview.moc"
