// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block's tracking error as the analysis reads it: each sample's level in encoder steps and
// whether it was received. Made in one place from a captured block or from a file's values, so
// the live figures and a file's analysis see the same block alike.

#include "capture/BlockSize.h"

#include <array>

struct SampleBlock;

struct BlockLevels
{
    // A block's values (0-255) by sample, CaptureCsv::kMissing for one not received.
    using Values = std::array<int, kBlockSize>;

    std::array<int, kBlockSize> level{};
    std::array<bool, kBlockSize> received{};
    int receivedCount = 0;

    static BlockLevels ofValues(const Values& values);
    static BlockLevels ofBlock(const SampleBlock& block);
    static Values valuesOf(const SampleBlock& block);

    // Every sample received, or every one but the last: the capture takes a block whose last
    // byte had not arrived, and one sample at the very end shifts no phase before it.
    bool fitForSpectrum() const;
    // The levels for the spectrum: a last sample not received is taken as the one before it.
    std::array<int, kBlockSize> levelsForSpectrum() const;
};
