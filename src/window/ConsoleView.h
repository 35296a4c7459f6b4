// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text, the console: shows what the chip sent. The view knows no device.
//
// Contract:
// - append() costs the same however long the text is (a ConsoleBuffer holds the text; the view
//   paints only the rows on screen and asks for repaints with update(), never per character).
// - At most kMaxChars characters are held, dropping whole oldest lines beyond that (see
//   ConsoleBuffer). text() reads back exactly what was appended (lines separated by CR LF),
//   minus what was dropped; setText("") empties it.
// - Each CR LF starts a new display line; lines longer than the width wrap between words, as
//   ConsoleBuffer wraps them. Characters that have no glyph of their own (control characters,
//   a lone CR or LF) show as a blank.
// - While the view shows the end it follows new text; scrolled up, it keeps its place.
// - A left click (press and release inside the text area) emits clicked(). The view takes the
//   focus on a click, so the command line loses it first. The right button opens a menu with
//   "Copy All".
// - Screen readers see a read-only text named "Console" holding the whole text (see
//   ConsoleAccessible). While accessibility is active, appended text is announced as one text
//   insertion per repaint interval, and text dropped from the front or cleared as a removal.

#include "core/console/ConsoleBuffer.h"
#include "window/FixedPitchText.h"
#include "window/RepaintClock.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QRect>

#include <memory>
#include <optional>

#include <limits>

class ConsoleView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr qsizetype kMaxChars = ConsoleBuffer::kMaxChars;
    // Light yellow, RGB 255, 255, 192.
    static inline const QColor kBackColour{255, 255, 192};
    // Blank pixels around the text inside the frame.
    static constexpr int kMargin = 2;
    // Text arrives one character per receive event; the view is repainted at most about this
    // often (25 times a second, smooth for reading), not once per character. Text that comes when
    // the last repaint is at least kRepaintSoonestMs ago is shown at once: a typed character's
    // echo without delay, and a stream the port takes in batches as each batch comes, without a
    // wake-up of its own.
    static constexpr int kRepaintIntervalMs = 40;
    static constexpr int kRepaintSoonestMs = 30;

    explicit ConsoleView(QWidget* parent = nullptr);
    ~ConsoleView() override;

    void append(QStringView characters);
    QString text() const;
    void setText(const QString& text);
    qsizetype length() const;

    // Puts the whole text on the clipboard, with the line breaks of this system (LF).
    void copyAll() const;

    // Display geometry: characters per row, rows that fit, the first row shown, and whether the
    // view is following the end of the text.
    int columns() const { return buffer_.columns(); }
    int visibleRows() const;
    qsizetype firstVisibleRow() const;
    bool isFollowingEnd() const;
    const ConsoleBuffer& buffer() const { return buffer_; }

    // Where the character at an offset into text() is shown, in viewport pixels; a null
    // rectangle when it is scrolled out of view.
    QRect characterRect(qsizetype offset) const;
    // The offset of the character shown nearest to a viewport point.
    qsizetype offsetAt(QPoint point) const;
    // Scrolls so that the character at the offset is shown.
    void scrollToOffset(qsizetype offset);

    // The clock the throttled repaint reads and wakes by (the system's unless a test hands in
    // its own). Any repaint pending on the old clock is asked of the new one.
    void setRepaintClock(std::unique_ptr<RepaintClock> clock);

Q_SIGNALS:
    // A click with the left mouse button into the console.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void measureFont();
    void rewrap();
    void updateScrollRange();
    // Starts the throttled repaint, which shows what changed since the last one.
    void repaintSoon();
    void repaintAllSoon();
    void showChanges();
    QString displayText(ConsoleBuffer::Row row) const;
    // Runs with the throttled repaint: the text appended since the last one, as one event.
    void announceAppended();
    void announceRemoved(qsizetype position, const QString& removed);

    ConsoleBuffer buffer_;
    FixedPitchText fixedPitch_;
    qreal charWidth_ = 1;
    int rowHeight_ = 1;
    int ascent_ = 0;
    bool leftPressed_ = false;
    std::unique_ptr<RepaintClock> clock_;
    std::optional<qint64> shownAtMs_; // when the last throttled repaint ran, by clock_
    // What is on screen: the row at the top (-1: nothing known yet), the first row changed
    // since, or the whole view out of date.
    qsizetype shownTop_ = -1;
    qsizetype changedFrom_ = std::numeric_limits<qsizetype>::max();
    bool wholeViewStale_ = true;
    QString appendedUnannounced_;
    qsizetype appendedAt_ = 0; // offset into text() of appendedUnannounced_
};
