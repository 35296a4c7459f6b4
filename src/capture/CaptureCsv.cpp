// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureCsv.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace CaptureCsv {
namespace {
constexpr char kSeparator = ',';
constexpr int kColumns = 5;
constexpr int kLowestValue = 0;
constexpr int kHighestValue = 255;
// Some editors and spreadsheets put a UTF-8 byte-order mark before the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::vector<std::string_view> split(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(kSeparator, start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

std::optional<long long> wholeNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// time_ms is written as a plain decimal ("0.5", "12", "0"). from_chars also reads "inf" and
// "nan", which no capture writes and which would make the block's time grid meaningless.
std::optional<double> timeOf(std::string_view text)
{
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

class Reader
{
public:
    Reader(const std::function<void(const RecordedBlock&)>& onBlock, std::uint64_t headerEnd)
        : onBlock_(onBlock), wholeEnd_(headerEnd)
    {
    }

    // An empty reason when the row was taken; `end` is the byte offset past its line end.
    std::string takeRow(std::string_view line, long long lineNumber, std::uint64_t end)
    {
        const std::vector<std::string_view> fields = split(line);
        if (fields.size() != kColumns)
            return "expected 5 columns (block,sample,value,time_ms,level), found " +
                   std::to_string(fields.size());
        const auto block = wholeNumber(fields[0]);
        const auto sample = wholeNumber(fields[1]);
        const auto value = wholeNumber(fields[2]);
        const auto level = wholeNumber(fields[4]);
        if (!block || *block < 1)
            return "the block number is not a whole number of at least 1";
        if (!sample || *sample < 1 || *sample > kBlockSize)
            return "the sample number is not a whole number from 1 to 300";
        if (!value || *value < kLowestValue || *value > kHighestValue)
            return "the value is not a whole number from 0 to 255";
        const auto time = timeOf(fields[3]);
        if (!time)
            return "time_ms is not a number of at least 0";
        if (!level || *level != levelOfValue(*value))
            return "the level is not the value less 128";
        if (started_ && *block < current_.number)
            return "block " + std::to_string(*block) + " comes after block " +
                   std::to_string(current_.number);
        if (!started_ || *block != current_.number) {
            // Only the last block may have been cut short: one cut in the middle of the file
            // leaves no way to tell its rows from the next block's.
            if (started_ && rows_ < kFewestRowsOfWholeBlock)
                return "block " + std::to_string(*block) + " begins after only " +
                       std::to_string(rows_) + " rows of block " + std::to_string(current_.number) +
                       " (a whole block has at least " + std::to_string(kFewestRowsOfWholeBlock) +
                       ")";
            flush();
            startBlock(*block, lineNumber);
        } else if (*sample <= lastSample_) {
            return "sample " + std::to_string(*sample) + " comes after sample " +
                   std::to_string(lastSample_) + " of the same block";
        }
        current_.value[static_cast<std::size_t>(*sample - 1)] = static_cast<int>(*value);
        current_.timeGridMs = *time / static_cast<double>(*sample);
        lastSample_ = *sample;
        ++rows_;
        lastRowEnd_ = end;
        return {};
    }

    // The end of the file: the last block is handed over if it is whole, or dropped with the
    // line it starts on. `cutLine` is a last line without its line end (0: none), which is
    // never a whole row; `cutStart` is where it begins.
    void finish(ReadResult& result, long long cutLine, std::uint64_t cutStart)
    {
        if (started_ && rows_ >= kFewestRowsOfWholeBlock) {
            flush();
            result.droppedFromLine = cutLine;
            result.wholeLength = cutLine != 0 ? cutStart : wholeEnd_;
            return;
        }
        result.droppedFromLine = started_ ? blockStartLine_ : cutLine;
        result.wholeLength = wholeEnd_;
    }

private:
    void flush()
    {
        if (!started_)
            return;
        onBlock_(current_);
        wholeEnd_ = lastRowEnd_;
    }

    void startBlock(long long number, long long lineNumber)
    {
        current_ = RecordedBlock{};
        current_.number = number;
        current_.value.fill(kMissing);
        lastSample_ = 0;
        rows_ = 0;
        blockStartLine_ = lineNumber;
        started_ = true;
    }

    const std::function<void(const RecordedBlock&)>& onBlock_;
    RecordedBlock current_;
    long long lastSample_ = 0;
    int rows_ = 0;
    long long blockStartLine_ = 0;
    std::uint64_t lastRowEnd_ = 0;
    std::uint64_t wholeEnd_; // the end of the last block handed over, or of the header
    bool started_ = false;
};

void chopCarriageReturn(std::string& line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
}

// Reads one line; `cut` tells that it ended at the end of the file without a line end, and
// `offset` moves past it.
bool nextLine(std::istream& input, std::string& line, bool& cut, std::uint64_t& offset)
{
    if (!std::getline(input, line))
        return false;
    cut = input.eof();
    offset += line.size() + (cut ? 0 : 1);
    chopCarriageReturn(line);
    return true;
}
} // namespace

ReadResult read(std::istream& input, const std::function<void(const RecordedBlock&)>& onBlock)
{
    ReadResult result;
    std::string line;
    bool cut = false;
    std::uint64_t offset = 0;
    long long lineNumber = 1;
    if (!nextLine(input, line, cut, offset)) {
        result.error = {lineNumber, "the file is empty, not a capture file"};
        return result;
    }
    if (std::string_view(line).starts_with(kByteOrderMark))
        line.erase(0, kByteOrderMark.size());
    if (line != kHeader) {
        result.error = {lineNumber, "not a capture file: the first line must be \"" +
                                        std::string(kHeader) + "\""};
        return result;
    }

    Reader reader(onBlock, offset);
    long long firstEmptyLine = 0;
    for (std::uint64_t start = offset; nextLine(input, line, cut, offset); start = offset) {
        ++lineNumber;
        if (line.empty()) {
            if (firstEmptyLine == 0)
                firstEmptyLine = lineNumber;
            continue;
        }
        if (firstEmptyLine != 0) {
            result.error = {firstEmptyLine, "an empty line between rows"};
            return result;
        }
        // A write cut short leaves its last row without a line end, and whatever it holds.
        if (cut) {
            reader.finish(result, lineNumber, start);
            return result;
        }
        if (std::string reason = reader.takeRow(line, lineNumber, offset); !reason.empty()) {
            result.error = {lineNumber, std::move(reason)};
            return result;
        }
    }
    if (input.bad()) {
        result.error = {lineNumber, "the file could not be read"};
        return result;
    }
    reader.finish(result, 0, 0);
    return result;
}

std::string describe(const ReadError& error)
{
    return "line " + std::to_string(error.line) + ": " + error.reason;
}

std::string describeDroppedTail(long long line)
{
    return "the recording was cut short: its incomplete last block, from line " +
           std::to_string(line) + " on, is left out";
}
} // namespace CaptureCsv
