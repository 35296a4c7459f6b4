// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ConsoleView.h"

#include "window/ConsoleAccessible.h"
#include "window/ConsoleScrollBar.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// A fixed-pitch face: register listings line up in columns, and wrapping is plain arithmetic.
const QString kFontFamily = QStringLiteral("DejaVu Sans Mono");
constexpr qreal kFontPointSize = 9;
// Character width is measured over a run this long, so that the advances the text layout really
// uses (hinted, possibly rounded) decide how many columns fit.
constexpr int kMeasureRun = 100;
const QString kCopyAllCaption = QStringLiteral("Copy All");
const QChar kBlank = u' ';
const QString kAccessibleName = QStringLiteral("Console");

QFont consoleFont()
{
    QFont font(kFontFamily);
    font.setPointSizeF(kFontPointSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

} // namespace

ConsoleView::ConsoleView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setVerticalScrollBar(new ConsoleScrollBar(this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(consoleFont());

    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, kBackColour);
    palette.setColor(QPalette::Text, Qt::black);
    viewport()->setPalette(palette);
    // paintEvent fills every pixel it is asked for.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);

    measureFont();

    ConsoleAccessible::install();
    setAccessibleName(kAccessibleName);

    setRepaintClock(std::make_unique<SteadyRepaintClock>());
}

void ConsoleView::setRepaintClock(std::unique_ptr<RepaintClock> clock)
{
    const bool pending = clock_ && clock_->wakeUpPending();
    clock_ = std::move(clock);
    shownAtMs_.reset();
    connect(clock_.get(), &RepaintClock::wokeUp, this, [this] {
        showChanges();
        announceAppended();
    });
    if (pending)
        repaintSoon();
}

ConsoleView::~ConsoleView() = default;

void ConsoleView::repaintSoon()
{
    if (clock_->wakeUpPending())
        return;
    const qint64 since = shownAtMs_ ? clock_->nowMs() - *shownAtMs_ : kRepaintIntervalMs;
    clock_->wakeAfter(since >= kRepaintSoonestMs ? 0
                                                 : static_cast<int>(kRepaintIntervalMs - since));
}

void ConsoleView::repaintAllSoon()
{
    wholeViewStale_ = true;
    repaintSoon();
}

void ConsoleView::showChanges()
{
    shownAtMs_ = clock_->nowMs();
    static_cast<ConsoleScrollBar*>(verticalScrollBar())->showChanges();
    // Rows are numbered from the first row since the last clear or rewrap, so a row keeps its
    // number while older text is dropped: what is on screen moves by the rows the top moved.
    const qsizetype top = buffer_.firstRow() + verticalScrollBar()->value();
    const int rows = visibleRows();
    const qsizetype shift = top - shownTop_;
    if (wholeViewStale_ || shownTop_ < 0 || std::abs(shift) >= rows) {
        viewport()->update();
    } else {
        // The rows still in view are moved rather than drawn again; the rows that came into
        // view and those that changed (the last line grows as text arrives) are drawn.
        qsizetype from = std::max(changedFrom_, top);
        if (shift != 0) {
            const QRect rowsArea(0, kMargin, viewport()->width(), rows * rowHeight_);
            viewport()->scroll(0, static_cast<int>(-shift) * rowHeight_, rowsArea);
            // The part of a row below the whole ones shows another row now.
            from = std::min(from, top + rows);
        }
        if (from <= top + rows) {
            const int y = kMargin + static_cast<int>(from - top) * rowHeight_;
            viewport()->update(QRect(0, y, viewport()->width(), viewport()->height() - y));
        }
    }
    shownTop_ = top;
    changedFrom_ = std::numeric_limits<qsizetype>::max();
    wholeViewStale_ = false;
}

void ConsoleView::append(QStringView characters)
{
    const qsizetype rowsBefore = buffer_.rowCount();
    const qsizetype firstRowBefore = buffer_.firstRow();
    const qsizetype firstCharBefore = buffer_.firstChar();

    if (QAccessible::isActive()) {
        // Trimming drops text from the front: what is still to be announced is told first, and
        // the dropped text is kept for its own event (once per trimmed chunk).
        const bool trims = buffer_.length() + characters.size() > kMaxChars;
        if (trims)
            announceAppended();
        const QString before = trims ? buffer_.text() : QString();
        buffer_.append(characters);
        const qsizetype dropped = buffer_.firstChar() - firstCharBefore;
        if (dropped > 0)
            announceRemoved(0, before.left(dropped));
        const qsizetype kept = std::min(characters.size(), buffer_.length());
        if (appendedUnannounced_.isEmpty())
            appendedAt_ = buffer_.length() - kept;
        appendedUnannounced_ += characters.right(kept);
    } else {
        buffer_.append(characters);
    }

    // The row that was last before is where the new text starts.
    changedFrom_ = std::min(changedFrom_, firstRowBefore + rowsBefore - 1);
    repaintSoon();
    if (buffer_.rowCount() == rowsBefore && buffer_.firstChar() == firstCharBefore)
        return; // the common case, one character on the last row
    // The scroll bar is still as it was before the text came.
    QScrollBar* bar = verticalScrollBar();
    const bool following = isFollowingEnd();
    const qsizetype topRow = firstRowBefore + bar->value();
    auto* consoleBar = static_cast<ConsoleScrollBar*>(bar);
    consoleBar->beginTextChanges();
    {
        // The bar is always shown, so a new range needs no new layout of the view; unblocked,
        // QAbstractScrollArea would queue one for every new row.
        const QSignalBlocker noRelayout(bar);
        updateScrollRange();
    }
    bar->setValue(following
                      ? bar->maximum()
                      : static_cast<int>(std::max<qsizetype>(0, topRow - buffer_.firstRow())));
    consoleBar->endTextChanges();
}

QString ConsoleView::text() const
{
    return buffer_.text();
}

void ConsoleView::setText(const QString& text)
{
    const QString before = buffer_.text();
    appendedUnannounced_.clear();
    buffer_.clear();
    buffer_.append(text);
    if (QAccessible::isActive()) {
        if (!before.isEmpty())
            announceRemoved(0, before);
        if (!buffer_.text().isEmpty()) {
            QAccessibleTextInsertEvent inserted(this, 0, buffer_.text());
            QAccessible::updateAccessibility(&inserted);
        }
    }
    updateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

qsizetype ConsoleView::length() const
{
    return buffer_.length();
}

void ConsoleView::copyAll() const
{
    QString copy = buffer_.text();
    copy.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QGuiApplication::clipboard()->setText(copy);
}

int ConsoleView::visibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * kMargin) / rowHeight_);
}

qsizetype ConsoleView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

bool ConsoleView::isFollowingEnd() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void ConsoleView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, kBackColour);
    painter.setPen(Qt::black);
    painter.setFont(font());

    // A paint of the whole view shows it as it is now. A paint of a part (the rows the last
    // repaint asked for, or an uncovered corner) keeps to the top row the screen shows, which
    // may lag the scroll bar until the next repaint moves it.
    const qsizetype current = buffer_.firstRow() + verticalScrollBar()->value();
    if (event->region().contains(viewport()->rect()) || shownTop_ < buffer_.firstRow()) {
        if (!event->region().contains(viewport()->rect()))
            repaintAllSoon();
        shownTop_ = current;
        changedFrom_ = std::numeric_limits<qsizetype>::max();
        wholeViewStale_ = false;
    }
    const qsizetype first = shownTop_ - buffer_.firstRow();
    const qsizetype from = first + std::max(0, (area.top() - kMargin) / rowHeight_);
    const qsizetype to =
        std::min(buffer_.rowCount() - 1, first + (area.bottom() - kMargin) / rowHeight_);
    for (qsizetype row = from; row <= to; ++row) {
        const int top = kMargin + static_cast<int>(row - first) * rowHeight_;
        const QPointF origin(kMargin, top + ascent_);
        const ConsoleBuffer::Row shown = buffer_.row(row);
        if (!fixedPitch_.draw(painter, origin,
                              QStringView(buffer_.text()).mid(shown.start, shown.length)))
            painter.drawText(origin, displayText(shown));
    }
}

void ConsoleView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    rewrap();
}

void ConsoleView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureFont();
        rewrap();
    }
}

void ConsoleView::scrollContentsBy(int, int)
{
    // Shown with the next repaint, by moving what is on screen (see showChanges).
    repaintSoon();
}

void ConsoleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    event->accept();
}

void ConsoleView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool pressedHere = leftPressed_;
    leftPressed_ = false;
    if (pressedHere && viewport()->rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void ConsoleView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(kCopyAllCaption, this, &ConsoleView::copyAll);
    menu.exec(event->globalPos());
}

void ConsoleView::measureFont()
{
    const QFontMetricsF metrics(font());
    charWidth_ =
        std::max<qreal>(1, metrics.horizontalAdvance(QString(kMeasureRun, u'M')) / kMeasureRun);
    const QFontMetrics whole(font());
    rowHeight_ = std::max(1, whole.lineSpacing());
    ascent_ = whole.ascent();
    fixedPitch_.setFont(font());
}

void ConsoleView::rewrap()
{
    const int columns =
        std::max(1, static_cast<int>((viewport()->width() - 2 * kMargin) / charWidth_));
    QScrollBar* bar = verticalScrollBar();
    const bool following = isFollowingEnd();
    if (columns != buffer_.columns()) {
        // Keep the character at the top of the view at the top.
        const qsizetype topOffset = buffer_.row(bar->value()).start;
        buffer_.setColumns(columns);
        updateScrollRange();
        bar->setValue(following ? bar->maximum()
                                : static_cast<int>(buffer_.rowOfOffset(topOffset)));
    } else {
        updateScrollRange();
        if (following)
            bar->setValue(bar->maximum());
    }
    viewport()->update();
}

void ConsoleView::updateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    const int rows = visibleRows();
    bar->setPageStep(rows);
    bar->setSingleStep(1);
    bar->setRange(0, static_cast<int>(std::max<qsizetype>(0, buffer_.rowCount() - rows)));
}

void ConsoleView::announceAppended()
{
    if (appendedUnannounced_.isEmpty())
        return;
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent inserted(this, static_cast<int>(appendedAt_),
                                            appendedUnannounced_);
        QAccessible::updateAccessibility(&inserted);
    }
    appendedUnannounced_.clear();
}

void ConsoleView::announceRemoved(qsizetype position, const QString& removed)
{
    QAccessibleTextRemoveEvent event(this, static_cast<int>(position), removed);
    QAccessible::updateAccessibility(&event);
}

QRect ConsoleView::characterRect(qsizetype offset) const
{
    if (offset < 0 || offset > buffer_.length())
        return QRect();
    const qsizetype row = buffer_.rowOfOffset(offset);
    const qsizetype onScreen = row - verticalScrollBar()->value();
    if (onScreen < 0 || onScreen >= visibleRows())
        return QRect();
    const qsizetype column = offset - buffer_.row(row).start;
    const int left = kMargin + static_cast<int>(column * charWidth_);
    const int top = kMargin + static_cast<int>(onScreen) * rowHeight_;
    return QRect(left, top, std::max(1, static_cast<int>(charWidth_)), rowHeight_);
}

qsizetype ConsoleView::offsetAt(QPoint point) const
{
    const qsizetype rowOnScreen = std::max(0, (point.y() - kMargin) / rowHeight_);
    const qsizetype row =
        std::min(buffer_.rowCount() - 1, verticalScrollBar()->value() + rowOnScreen);
    const ConsoleBuffer::Row shown = buffer_.row(row);
    const qsizetype column = std::clamp<qsizetype>(
        static_cast<qsizetype>((point.x() - kMargin) / charWidth_), 0, shown.length);
    return shown.start + column;
}

void ConsoleView::scrollToOffset(qsizetype offset)
{
    if (!characterRect(offset).isNull())
        return;
    const qsizetype row = buffer_.rowOfOffset(std::clamp<qsizetype>(offset, 0, buffer_.length()));
    verticalScrollBar()->setValue(static_cast<int>(row));
}

QString ConsoleView::displayText(ConsoleBuffer::Row row) const
{
    QString shown = buffer_.text().mid(row.start, row.length);
    for (QChar& c : shown) {
        if (!c.isPrint())
            c = kBlank;
    }
    return shown;
}
