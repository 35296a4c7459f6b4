// SPDX-License-Identifier: GPL-3.0-or-later
// Where the blocks of a replay come from: the simulated chip asks for one block at a time and
// never holds more than the next, so a recording of any length replays in the same memory.
#pragma once

#include <optional>
#include <string>

namespace kdsp {

class BlockSource
{
public:
    virtual ~BlockSource() = default;

    // The next block, 300 bytes, or nothing at the end of the recording. The call after an end
    // gives the first block again; a source that can give nothing more (a pipe read once, a
    // file gone) goes on giving nothing. The call may wait for the block to be read.
    virtual std::optional<std::string> next() = 0;
};

} // namespace kdsp
