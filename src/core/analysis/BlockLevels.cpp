// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/BlockLevels.h"

#include "capture/CaptureCsv.h"
#include "core/SharedState.h"

BlockLevels BlockLevels::ofValues(const Values& values)
{
    BlockLevels block;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] == CaptureCsv::kMissing)
            continue;
        block.level[i] = CaptureCsv::levelOfValue(values[i]);
        block.received[i] = true;
        ++block.receivedCount;
    }
    return block;
}

BlockLevels::Values BlockLevels::valuesOf(const SampleBlock& block)
{
    Values values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<quint8>& value = block.entry[i + 1];
        values[i] = value ? *value : CaptureCsv::kMissing;
    }
    return values;
}

BlockLevels BlockLevels::ofBlock(const SampleBlock& block)
{
    return ofValues(valuesOf(block));
}

bool BlockLevels::fitForSpectrum() const
{
    return receivedCount == kBlockSize ||
           (receivedCount == kBlockSize - 1 && !received[kBlockSize - 1]);
}

std::array<int, kBlockSize> BlockLevels::levelsForSpectrum() const
{
    std::array<int, kBlockSize> levels = level;
    if (!received[kBlockSize - 1])
        levels[kBlockSize - 1] = levels[kBlockSize - 2];
    return levels;
}
