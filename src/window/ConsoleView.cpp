#include "window/ConsoleView.h"

#include "window/ConsoleAccessible.h"

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
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

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

// The console's scroll bar repaints only when what it shows changes: the handle's place or
// size, or an end being reached. Text streaming in moves the range a few rows at a time, which
// on a long text leaves the handle where it was; a plain scroll bar would repaint every time.
class ConsoleScrollBar : public QScrollBar
{
public:
    explicit ConsoleScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

protected:
    // A range change and the value change that follows it (the view keeps following the end)
    // move the handle away and back: what counts is where it ends up, looked at once control
    // returns to the event loop.
    void sliderChange(SliderChange change) override
    {
        if (change == SliderOrientationChange) {
            QScrollBar::sliderChange(change);
            return;
        }
        if (lookPending_)
            return;
        lookPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                lookPending_ = false;
                if (currentLook() != shown_)
                    update();
            },
            Qt::QueuedConnection);
    }

    void paintEvent(QPaintEvent* event) override
    {
        shown_ = currentLook();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look
    {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look currentLook() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                        QStyle::SC_ScrollBarSlider, this),
                value() <= minimum(), value() >= maximum()};
    }

    Look shown_;
    bool lookPending_ = false;
};

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

    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kRepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] {
        if (!pendingRepaint_.isNull())
            viewport()->update(pendingRepaint_);
        pendingRepaint_ = QRect();
        announceAppended();
    });
}

ConsoleView::~ConsoleView() = default;

void ConsoleView::repaintSoon(const QRect& area)
{
    pendingRepaint_ |= area;
    if (!repaintTimer_.isActive())
        repaintTimer_.start();
}

void ConsoleView::append(QStringView characters)
{
    QScrollBar* bar = verticalScrollBar();
    const bool following = isFollowingEnd();
    const qsizetype topRow = buffer_.firstRow() + bar->value();
    const qsizetype rowsBefore = buffer_.rowCount();
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
        if (!repaintTimer_.isActive())
            repaintTimer_.start();
    } else {
        buffer_.append(characters);
    }

    if (buffer_.rowCount() == rowsBefore && buffer_.firstChar() == firstCharBefore) {
        // The common case, one character on the last row: repaint that row only.
        updateRow(rowsBefore - 1);
        return;
    }
    updateScrollRange();
    bar->setValue(following
                      ? bar->maximum()
                      : static_cast<int>(std::max<qsizetype>(0, topRow - buffer_.firstRow())));
    repaintSoon(viewport()->rect());
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

    const qsizetype first = verticalScrollBar()->value();
    const qsizetype from = first + std::max(0, (area.top() - kMargin) / rowHeight_);
    const qsizetype to =
        std::min(buffer_.rowCount() - 1, first + (area.bottom() - kMargin) / rowHeight_);
    for (qsizetype row = from; row <= to; ++row) {
        const int top = kMargin + static_cast<int>(row - first) * rowHeight_;
        painter.drawText(QPointF(kMargin, top + ascent_), displayText(buffer_.row(row)));
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
    repaintSoon(viewport()->rect());
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

void ConsoleView::updateRow(qsizetype row)
{
    const qsizetype onScreen = row - verticalScrollBar()->value();
    if (onScreen < 0 || onScreen >= visibleRows() + 1)
        return;
    const int top = kMargin + static_cast<int>(onScreen) * rowHeight_;
    repaintSoon(QRect(0, top, viewport()->width(), rowHeight_));
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
