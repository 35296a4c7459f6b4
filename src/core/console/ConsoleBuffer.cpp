// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/ConsoleBuffer.h"

#include <algorithm>

namespace {
constexpr qsizetype kLineBreakLength = 2; // CR LF
constexpr QChar kSpace = u' ';
constexpr QChar kCarriageReturn = u'\r';
constexpr QChar kLineFeed = u'\n';
} // namespace

ConsoleBuffer::ConsoleBuffer(int columns) : columns_(std::max(1, columns))
{
    clear();
}

void ConsoleBuffer::clear()
{
    text_.clear();
    base_ = 0;
    lineStarts_.assign(1, 0);
    rowStarts_.assign(1, 0);
    rowOffsets_.assign(1, 0);
    rowStart_ = 0;
    lastSpace_ = -1;
    crStartedRow_ = false;
}

void ConsoleBuffer::append(QStringView characters)
{
    if (characters.isEmpty())
        return;
    const qsizetype from = text_.size();
    if (characters.size() == 1)
        text_.append(characters.front()); // a character per receive event: the short way
    else
        text_.append(characters);
    for (qsizetype i = from; i < text_.size(); ++i) {
        const QChar c = text_.at(i);
        // A line ends at an LF that follows a CR; the CR may have come in an earlier append.
        if (c == kLineFeed && i > 0 && text_.at(i - 1) == kCarriageReturn) {
            if (crStartedRow_)
                rowOffsets_.pop_back();
            startLine(base_ + i + 1);
        } else {
            place(base_ + i, c);
        }
    }
    if (text_.size() > kMaxChars)
        trim();
}

void ConsoleBuffer::place(qsizetype absolute, QChar c)
{
    crStartedRow_ = false;
    // A space never starts a row: it stays at the end of the one before.
    if (c == kSpace) {
        lastSpace_ = absolute;
        return;
    }
    if (absolute - rowStart_ < columns_)
        return;
    // Every other character was checked as it came, so the word since the last space fits.
    rowStart_ = lastSpace_ >= rowStart_ ? lastSpace_ + 1 : absolute;
    rowOffsets_.push_back(rowStart_);
    crStartedRow_ = c == kCarriageReturn;
}

QStringView ConsoleBuffer::line(qsizetype index) const
{
    const auto i = static_cast<std::size_t>(index);
    return QStringView(text_).mid(lineStarts_[i] - base_, lineLength(i));
}

void ConsoleBuffer::setColumns(int columns)
{
    columns_ = std::max(1, columns);
    rowOffsets_.clear();
    for (std::size_t i = 0; i < lineStarts_.size(); ++i) {
        rowStarts_[i] = static_cast<qsizetype>(rowOffsets_.size());
        rowStart_ = lineStarts_[i];
        lastSpace_ = -1;
        rowOffsets_.push_back(rowStart_);
        const qsizetype end = lineStarts_[i] + lineLength(i);
        for (qsizetype at = lineStarts_[i]; at < end; ++at)
            place(at, text_.at(at - base_));
    }
}

qsizetype ConsoleBuffer::rowCount() const
{
    return static_cast<qsizetype>(rowOffsets_.size());
}

ConsoleBuffer::Row ConsoleBuffer::row(qsizetype index) const
{
    const qsizetype i = std::clamp<qsizetype>(index, 0, rowCount() - 1);
    const qsizetype absoluteRow = rowStarts_.front() + i;
    const auto found = std::upper_bound(rowStarts_.begin(), rowStarts_.end(), absoluteRow);
    const auto line = static_cast<std::size_t>(found - rowStarts_.begin() - 1);
    const qsizetype lineEnd = lineStarts_[line] + lineLength(line);
    const bool lastOfLine =
        i + 1 == rowCount() || (found != rowStarts_.end() && *found == absoluteRow + 1);
    const qsizetype start = rowOffsets_[static_cast<std::size_t>(i)];
    const qsizetype end = lastOfLine ? lineEnd : rowOffsets_[static_cast<std::size_t>(i + 1)];
    // Spaces beyond the width at a break are not shown.
    return Row{start - base_, std::clamp<qsizetype>(end - start, 0, columns_)};
}

qsizetype ConsoleBuffer::rowOfOffset(qsizetype offset) const
{
    const qsizetype absolute = base_ + std::clamp<qsizetype>(offset, 0, text_.size());
    const auto found = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), absolute);
    const auto line = static_cast<std::size_t>(found - lineStarts_.begin() - 1);
    const auto first = rowOffsets_.begin() + (rowStarts_[line] - rowStarts_.front());
    const auto end = line + 1 < rowStarts_.size()
                         ? rowOffsets_.begin() + (rowStarts_[line + 1] - rowStarts_.front())
                         : rowOffsets_.end();
    // The last row of the line that starts at or before the offset (a CR LF counts with its
    // line, a space beyond the width with its row).
    const auto after = std::upper_bound(first, end, absolute);
    return std::max(first, after - 1) - rowOffsets_.begin();
}

qsizetype ConsoleBuffer::lineLength(std::size_t index) const
{
    if (index + 1 < lineStarts_.size())
        return lineStarts_[index + 1] - kLineBreakLength - lineStarts_[index];
    return base_ + text_.size() - lineStarts_[index];
}

void ConsoleBuffer::startLine(qsizetype absoluteStart)
{
    rowStarts_.push_back(rowStarts_.front() + rowCount());
    lineStarts_.push_back(absoluteStart);
    rowOffsets_.push_back(absoluteStart);
    rowStart_ = absoluteStart;
    lastSpace_ = -1;
}

void ConsoleBuffer::trim()
{
    const qsizetype target = kMaxChars - kTrimChunk;
    const qsizetype end = base_ + text_.size();
    while (lineStarts_.size() > 1 && end - lineStarts_.front() > target) {
        rowOffsets_.erase(rowOffsets_.begin(),
                          rowOffsets_.begin() + (rowStarts_[1] - rowStarts_[0]));
        lineStarts_.pop_front();
        rowStarts_.pop_front();
    }
    if (end - lineStarts_.front() > target) {
        // One line alone is too long: it loses its oldest characters. The rows before the cut
        // go, and the row numbers move on by them, so that a view scrolled into the line stays
        // roughly where it was; the row the cut falls in starts at the cut.
        const qsizetype cut = end - target;
        while (rowOffsets_.size() > 1 && rowOffsets_[1] <= cut) {
            rowOffsets_.pop_front();
            ++rowStarts_.front();
        }
        rowOffsets_.front() = cut;
        lineStarts_.front() = cut;
        rowStart_ = std::max(rowStart_, cut);
    }
    // Dropping from the front of a QString moves its start pointer; nothing is copied.
    text_.remove(0, lineStarts_.front() - base_);
    base_ = lineStarts_.front();
}
