// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A captured block as CSV rows: one row per sample received, with the time and the level the
// window's pointer readouts show over that sample.

#include "core/SharedState.h"
#include "capture/BlockRows.h"

#include <QString>

#include <optional>
#include <string>

namespace CsvRows {
// The header line, the file's first piece.
inline const std::string kHeader = std::string(CaptureCsv::kHeader) + '\n';

// Makes blocks' rows; the texts of a time grid are worked out once, when it first comes.
class Maker
{
public:
    // The rows of block number `blockNumber` (counted from 1); samples not received are left
    // out. The text is the maker's own, until its next call.
    const std::string& rowsOf(long long blockNumber, const SampleBlock& block, double timeGrid);

private:
    double timeGrid_ = 0;
    std::optional<CaptureCsv::BlockRows> rows_;
    std::string text_;
};

// The time readout over sample i and the level readout over value v, as the window writes them.
QString timeReadout(int sample, double timeGrid);
QString levelReadout(int value);

// A readout's number as a plain decimal for CSV readers: ".25" -> "0.25", "3." -> "3",
// "." -> "0"; other texts as they are.
QString plainNumber(const QString& readoutText);
} // namespace CsvRows
