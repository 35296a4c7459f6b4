// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/CaptureCsv.h"

#include <charconv>
#include <optional>
#include <vector>

namespace CaptureCsv {
namespace {
constexpr char kSeparator = ',';
constexpr int kColumns = 5;
constexpr int kLowestValue = 0;
constexpr int kHighestValue = 255;

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

// time_ms is written as a plain decimal ("0.5", "12", "0").
bool isTime(std::string_view text)
{
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size() && value >= 0;
}

class Reader
{
public:
    explicit Reader(const std::function<void(const RecordedBlock&)>& onBlock) : onBlock_(onBlock) {}

    // An empty reason when the row was taken.
    std::string takeRow(std::string_view line)
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
        if (!sample || *sample < 1 || *sample > kSamplesPerBlock)
            return "the sample number is not a whole number from 1 to 300";
        if (!value || *value < kLowestValue || *value > kHighestValue)
            return "the value is not a whole number from 0 to 255";
        if (!isTime(fields[3]))
            return "time_ms is not a number of at least 0";
        if (!level || *level != *value - kCentre)
            return "the level is not the value less 128";
        if (started_ && *block < current_.number)
            return "block " + std::to_string(*block) + " comes after block " +
                   std::to_string(current_.number);
        if (!started_ || *block != current_.number) {
            flush();
            startBlock(*block);
        } else if (*sample <= lastSample_) {
            return "sample " + std::to_string(*sample) + " comes after sample " +
                   std::to_string(lastSample_) + " of the same block";
        }
        current_.value[static_cast<std::size_t>(*sample - 1)] = static_cast<int>(*value);
        lastSample_ = *sample;
        return {};
    }

    void flush()
    {
        if (started_)
            onBlock_(current_);
    }

private:
    void startBlock(long long number)
    {
        current_ = RecordedBlock{};
        current_.number = number;
        current_.value.fill(kMissing);
        lastSample_ = 0;
        started_ = true;
    }

    const std::function<void(const RecordedBlock&)>& onBlock_;
    RecordedBlock current_;
    long long lastSample_ = 0;
    bool started_ = false;
};

void chopCarriageReturn(std::string& line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
}
} // namespace

ReadError read(std::istream& input, const std::function<void(const RecordedBlock&)>& onBlock)
{
    std::string line;
    long long lineNumber = 1;
    if (!std::getline(input, line))
        return {lineNumber, "the file is empty, not a capture file"};
    chopCarriageReturn(line);
    if (line != kHeader)
        return {lineNumber,
                "not a capture file: the first line must be \"" + std::string(kHeader) + "\""};

    Reader reader(onBlock);
    long long firstEmptyLine = 0;
    while (std::getline(input, line)) {
        ++lineNumber;
        chopCarriageReturn(line);
        if (line.empty()) {
            if (firstEmptyLine == 0)
                firstEmptyLine = lineNumber;
            continue;
        }
        if (firstEmptyLine != 0)
            return {firstEmptyLine, "an empty line between rows"};
        if (std::string reason = reader.takeRow(line); !reason.empty())
            return {lineNumber, std::move(reason)};
    }
    if (input.bad())
        return {lineNumber, "the file could not be read"};
    reader.flush();
    return {};
}

std::string describe(const ReadError& error)
{
    return "line " + std::to_string(error.line) + ": " + error.reason;
}
} // namespace CaptureCsv
