// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's text without any widget: the characters received, split into lines at CR LF,
// and those lines wrapped into rows of a fixed number of columns for display, between words as
// a multi-line text box wraps them.
//
// Contract:
// - append() costs amortised constant time per character, however much is held: the text is
//   only ever appended to, lines and rows are kept as running offsets, and trimming happens in
//   chunks.
// - At most kMaxChars characters are held. Beyond that whole oldest lines are dropped, down to
//   kMaxChars - kTrimChunk; a single line longer than that loses its oldest characters instead.
// - text() is exactly what was appended (CR LF between lines, any other character as it came)
//   minus what was dropped from the front.
// - Only CR LF separates lines. A lone CR or LF stays inside its line.
//
// Offsets and row numbers come in two kinds: "absolute" ones count from the first character or
// row ever appended and survive trimming (a view can hold on to them), plain ones are relative
// to what is held now.

#include <QString>
#include <QStringView>

#include <deque>

class ConsoleBuffer
{
public:
    static constexpr qsizetype kMaxChars = 1'000'000;
    // Trimming drops this much more than needed, so that it runs once per chunk of appends.
    static constexpr qsizetype kTrimChunk = kMaxChars / 16;

    // One display row: a stretch of a line, at most columns() characters long.
    struct Row
    {
        qsizetype start = 0;  // offset into text()
        qsizetype length = 0; // characters, never counting the CR LF that ends a line
    };

    explicit ConsoleBuffer(int columns = 80);

    void append(QStringView characters);
    void clear();

    const QString& text() const { return text_; }
    qsizetype length() const { return text_.size(); }

    // Lines, with the CR LF that separates them left out. There is always at least one (the line
    // being written, possibly empty).
    qsizetype lineCount() const { return static_cast<qsizetype>(lineStarts_.size()); }
    QStringView line(qsizetype index) const;

    // Wrapping: a line that does not fit breaks after the last space that fits; spaces at the
    // break stay at the end of their row, beyond the width if need be (they are not shown); a
    // word longer than a whole row breaks at the width. An empty line takes one row. Changing
    // the width wraps every line again (linear in the text; meant for resizes).
    int columns() const { return columns_; }
    void setColumns(int columns);
    qsizetype rowCount() const;
    Row row(qsizetype index) const;
    // The row that holds the character at an offset into text() (a CR LF counts with its line).
    qsizetype rowOfOffset(qsizetype offset) const;

    // Absolute number of the first character held: how many were dropped since clear().
    qsizetype firstChar() const { return base_; }
    // Absolute number of the first row held. Row numbering restarts at 0 on clear() and on
    // setColumns(); in between it grows by the rows that trimming drops.
    qsizetype firstRow() const { return rowStarts_.front(); }

private:
    qsizetype lineLength(std::size_t index) const;
    // The character at an absolute offset joins the open line: a new row starts where it does
    // not fit.
    void place(qsizetype absolute, QChar c);
    void startLine(qsizetype absoluteStart);
    void trim();

    QString text_;
    qsizetype base_ = 0; // absolute offset of text_[0]
    // Per line, in step: the absolute offset of its first character and the absolute number of
    // its first row. The last line is open: its row count follows from its current length.
    std::deque<qsizetype> lineStarts_;
    std::deque<qsizetype> rowStarts_;
    // The absolute offset where each row held starts, in step with the row numbers.
    std::deque<qsizetype> rowOffsets_;
    // The open line's wrapping: where its last row starts, and its last space (-1: none yet).
    qsizetype rowStart_ = 0;
    qsizetype lastSpace_ = -1;
    // The last character placed was a CR that started a row: should an LF follow, the CR ends
    // its line instead, and the row goes.
    bool crStartedRow_ = false;
    int columns_;
};
