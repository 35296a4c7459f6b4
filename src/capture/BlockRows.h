// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block's rows of a capture file (block,sample,value,time_ms,level), made in one pass over a
// buffer. A row depends only on the block number, the sample and its value, and the time grid:
// the texts of the 300 samples with their times and of the 256 values with their levels are made
// once, for a grid, and each row is five of them joined.

#include "capture/CaptureCsv.h"

#include <array>
#include <string>
#include <vector>

namespace CaptureCsv {

class BlockRows
{
public:
    // `timeTexts[i]` is sample i + 1's time_ms as the file writes it (kBlockSize texts).
    explicit BlockRows(const std::vector<std::string>& timeTexts);

    // Empties `out` for the rows of block `number`.
    void start(std::string& out, long long number);
    // Adds the row of sample `sample` (1-300) worth `value` (0-255).
    void add(std::string& out, int sample, int value) const
    {
        out += block_;
        out += sampleText_[static_cast<std::size_t>(sample)];
        out += valueText_[static_cast<std::size_t>(value)];
        out += timeText_[static_cast<std::size_t>(sample)];
        out += levelLine_[static_cast<std::size_t>(value)];
    }

private:
    static constexpr int kValues = 256;

    std::string block_;
    std::array<std::string, kBlockSize + 1> sampleText_; // ",s,"
    std::array<std::string, kBlockSize + 1> timeText_;   // ",time,"
    std::array<std::string, kValues> valueText_;         // "v"
    std::array<std::string, kValues> levelLine_;         // "level\n"
};

} // namespace CaptureCsv
