// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/ConsoleBuffer.h"

#include <algorithm>

namespace {
constexpr qsizetype kLineBreakLength = 2; // CR LF
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
    // A line ends at an LF that follows a CR; the CR may have come in an earlier append.
    for (qsizetype i = std::max<qsizetype>(from, 1); i < text_.size(); ++i) {
        if (text_.at(i) == u'\n' && text_.at(i - 1) == u'\r')
            startLine(base_ + i + 1);
    }
    if (text_.size() > kMaxChars)
        trim();
}

QStringView ConsoleBuffer::line(qsizetype index) const
{
    const auto i = static_cast<std::size_t>(index);
    return QStringView(text_).mid(lineStarts_[i] - base_, lineLength(i));
}

void ConsoleBuffer::setColumns(int columns)
{
    columns_ = std::max(1, columns);
    rowStarts_.front() = 0;
    for (std::size_t i = 1; i < rowStarts_.size(); ++i)
        rowStarts_[i] = rowStarts_[i - 1] + rowsOf(lineLength(i - 1));
}

qsizetype ConsoleBuffer::rowCount() const
{
    // The last line is the one being written: it runs to the end of the text. (Asked for with
    // every character the console takes, so without lineLength's general case.)
    return rowStarts_.back() - rowStarts_.front() +
           rowsOf(base_ + text_.size() - lineStarts_.back());
}

ConsoleBuffer::Row ConsoleBuffer::row(qsizetype index) const
{
    const qsizetype absoluteRow =
        rowStarts_.front() + std::clamp<qsizetype>(index, 0, rowCount() - 1);
    const auto found = std::upper_bound(rowStarts_.begin(), rowStarts_.end(), absoluteRow);
    const auto line = static_cast<std::size_t>(found - rowStarts_.begin() - 1);
    const qsizetype skipped = (absoluteRow - rowStarts_[line]) * columns_;
    const qsizetype length = std::clamp<qsizetype>(lineLength(line) - skipped, 0, columns_);
    return Row{lineStarts_[line] - base_ + skipped, length};
}

qsizetype ConsoleBuffer::rowOfOffset(qsizetype offset) const
{
    const qsizetype absolute = base_ + std::clamp<qsizetype>(offset, 0, text_.size());
    const auto found = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), absolute);
    const auto line = static_cast<std::size_t>(found - lineStarts_.begin() - 1);
    const qsizetype length = lineLength(line);
    const qsizetype within = std::min(absolute - lineStarts_[line], length);
    const qsizetype rowInLine = std::min(within / columns_, rowsOf(length) - 1);
    return rowStarts_[line] - rowStarts_.front() + rowInLine;
}

qsizetype ConsoleBuffer::lineLength(std::size_t index) const
{
    if (index + 1 < lineStarts_.size())
        return lineStarts_[index + 1] - kLineBreakLength - lineStarts_[index];
    return base_ + text_.size() - lineStarts_[index];
}

qsizetype ConsoleBuffer::rowsOf(qsizetype length) const
{
    return length <= 0 ? 1 : (length + columns_ - 1) / columns_;
}

void ConsoleBuffer::startLine(qsizetype absoluteStart)
{
    const qsizetype closedLength = absoluteStart - kLineBreakLength - lineStarts_.back();
    rowStarts_.push_back(rowStarts_.back() + rowsOf(closedLength));
    lineStarts_.push_back(absoluteStart);
}

void ConsoleBuffer::trim()
{
    const qsizetype target = kMaxChars - kTrimChunk;
    const qsizetype end = base_ + text_.size();
    while (lineStarts_.size() > 1 && end - lineStarts_.front() > target) {
        lineStarts_.pop_front();
        rowStarts_.pop_front();
    }
    if (end - lineStarts_.front() > target) {
        // One line alone is too long: it loses its oldest characters. Its rows realign to the
        // new start; the row numbers move on by the whole rows dropped, so that a view scrolled
        // into the line stays roughly where it was.
        const qsizetype cut = end - target;
        rowStarts_.front() += (cut - lineStarts_.front()) / columns_;
        lineStarts_.front() = cut;
    }
    // Dropping from the front of a QString moves its start pointer; nothing is copied.
    text_.remove(0, lineStarts_.front() - base_);
    base_ = lineStarts_.front();
}
