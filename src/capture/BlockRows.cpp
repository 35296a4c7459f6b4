// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/BlockRows.h"

namespace CaptureCsv {
namespace {
// Some 20 bytes a row.
constexpr std::size_t kBytesPerBlock = std::size_t{8} * 1024;
} // namespace

BlockRows::BlockRows(const std::vector<std::string>& timeTexts)
{
    for (int sample = 1; sample <= kBlockSize; ++sample) {
        const auto i = static_cast<std::size_t>(sample);
        sampleText_[i] = ',' + std::to_string(sample) + ',';
        timeText_[i] = ',' + timeTexts.at(i - 1) + ',';
    }
    for (int value = 0; value < kValues; ++value) {
        const auto i = static_cast<std::size_t>(value);
        valueText_[i] = std::to_string(value);
        levelLine_[i] = std::to_string(levelOfValue(value)) + '\n';
    }
}

void BlockRows::start(std::string& out, long long number)
{
    out.clear();
    out.reserve(kBytesPerBlock);
    block_ = std::to_string(number);
}

} // namespace CaptureCsv
