// SPDX-License-Identifier: GPL-3.0-or-later
// A recorded run (a capture file) as the blocks the simulated chip replays in place of its
// servo signal.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kdsp {

// Each block is 300 bytes, in file order.
using RecordedBlocks = std::vector<std::string>;

struct LoadedRecording
{
    std::shared_ptr<const RecordedBlocks> blocks; // empty on failure
    std::string error;                            // "FILE: line 3: ..." on failure
    // What the user should know of a file that was read: a torn last block left out.
    std::string note;
    // Samples the capture had not received, filled in to keep every block 300 bytes long.
    std::size_t filledSamples = 0;
};

// Reads a capture file, CSV or .csv.gz. A sample missing from its block is sent as the sample
// before it (the centre, 128, for a first sample): the signal goes on smoothly and the block
// keeps its length.
// A recording cut short in its last block replays the blocks before it (see `note`).
// A file without a single block is refused, as a replay of nothing would look like a dead chip.
LoadedRecording loadRecording(const std::string& path);

} // namespace kdsp
