// SPDX-License-Identifier: GPL-3.0-or-later
// What the scope and the console put on screen while data streams in, and how little of it they
// paint: the screen (the window's backing store) must always match a fresh paint, although the
// console moves rows already shown instead of drawing them again, its scroll bar repaints only
// when its handle moves, and the scope repaints only the columns' changed rows.

#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"
#include "support/ShownAlone.h"
#include "window/ConsoleView.h"
#include "window/ScopeSurface.h"

#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

namespace {

// Counts a widget's paint events and the pixels they cover.
class PaintLog : public QObject
{
public:
    explicit PaintLog(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;
    qint64 pixels = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(rect.width()) * rect.height();
        }
        return false;
    }
};

// What the window shows of a widget: its pixels in the window's backing store.
QImage onScreen(QWidget* widget)
{
    QWidget* window = widget->window();
    const QPoint at = widget->mapTo(window, QPoint(0, 0));
    return window->screen()
        ->grabWindow(window->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage freshPaint(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Lets the console's throttled repaint run and the window paint.
void settle()
{
    QTest::qWait(2 * ConsoleView::kRepaintIntervalMs + 20);
}

SampleBlock levels(int low, int high, int period)
{
    SampleBlock block;
    for (int k = 1; k <= 300; ++k)
        block.entry[k] = static_cast<quint8>((k / period) % 2 == 0 ? low : high);
    return block;
}

} // namespace

class TestViewRepaints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Text streaming in line by line, with repaints in between as at the line rate: the rows
    // already shown are moved, only new and changed rows are painted, and what the screen shows
    // is what a paint of the whole view gives.
    void consoleMovesShownRowsAndStaysTrue()
    {
        ShownAlone<ConsoleView> shown(QSize(341, 400));
        QVERIFY(shown.exposed());
        ConsoleView* view = shown.widget;
        for (int n = 0; n < 200; ++n)
            view->append(QStringLiteral("line %1 of the first screenful\r\n").arg(n));
        settle();

        const auto* viewportLog = new PaintLog(view->viewport());
        const auto* barLog = new PaintLog(view->verticalScrollBar());
        const qint64 wholeView = qint64(view->viewport()->width()) * view->viewport()->height();
        int repaints = 0;
        // What the window painted, without the test's own fresh paints.
        qint64 viewportPixels = 0;
        int barPaints = 0;
        for (int burst = 0; burst < 12; ++burst) {
            // About what arrives between two repaints at the line rate: a few lines, the last
            // one unfinished.
            for (int n = 0; n < 4; ++n)
                view->append(QStringLiteral("burst %1, line %2 of text\r\n").arg(burst).arg(n));
            view->append(QStringLiteral("unfinished %1").arg(burst));
            const qint64 pixelsBefore = viewportLog->pixels;
            const int barPaintsBefore = barLog->paints;
            settle();
            viewportPixels += viewportLog->pixels - pixelsBefore;
            barPaints += barLog->paints - barPaintsBefore;
            ++repaints;
            QCOMPARE(onScreen(view->viewport()), freshPaint(view->viewport()));
        }
        QVERIFY(view->isFollowingEnd());
        // Whole-view repaints would paint repaints * wholeView.
        QVERIFY2(viewportPixels * 3 < repaints * wholeView,
                 qPrintable(QStringLiteral("%1 of %2").arg(viewportPixels).arg(repaints * wholeView)));
        // 60 lines on a text of 260: the handle moves a few pixels, not once per line.
        QVERIFY2(barPaints <= repaints, qPrintable(QString::number(barPaints)));
        QCOMPARE(onScreen(view->verticalScrollBar()), freshPaint(view->verticalScrollBar()));

        // Scrolled up by the user, then more text: the view keeps its place and stays true.
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() - 7);
        view->append(QStringLiteral("while scrolled up\r\n"));
        settle();
        QCOMPARE(onScreen(view->viewport()), freshPaint(view->viewport()));
        QCOMPARE(onScreen(view->verticalScrollBar()), freshPaint(view->verticalScrollBar()));
    }

    // Blocks replacing one another: the screen shows the picture after each, painted once in
    // the turn of the event loop that follows the block (not a turn later, through the window's
    // update request), and the repaint covers the rows the traces use in each column, not the
    // rectangle around both traces.
    void scopeRepaintsTheTracesColumnsOnly()
    {
        ShownAlone<ScopeSurface> shown;
        QVERIFY(shown.exposed());
        ScopeSurface* surface = shown.widget;
        const auto* log = new PaintLog(surface);
        const qint64 picturePixels = qint64(ScopePicture::kWidth) * ScopePicture::kHeight;
        for (int block = 0; block < 6; ++block) {
            surface->cls();
            drawTrace(surface->picture(), levels(20 + block, 230 - block, 60), qRgb(255, 255, 0));
            surface->pictureChanged();
            const int paintsBefore = log->paints;
            QCoreApplication::sendPostedEvents();
            QCOMPARE(log->paints, paintsBefore + 1);
            QCOMPARE(onScreen(surface), surface->composite());
        }
        // Each block's traces reach from near the bottom to near the top.
        QVERIFY2(log->pixels < 6 * picturePixels / 3, qPrintable(QString::number(log->pixels)));
    }
};

QTEST_MAIN(TestViewRepaints)
#include "tst_viewrepaints.moc"
