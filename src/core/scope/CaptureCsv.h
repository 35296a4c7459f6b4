// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a capture file back: the CSV that `trevalon-cli capture` and `trevalon --record`
// write (block,sample,value,time_ms,level, one row per sample received). Standard C++ only, so
// that the simulator, which has no Qt, replays recordings through the same reader.

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

namespace CaptureCsv {
inline constexpr std::string_view kHeader = "block,sample,value,time_ms,level";
inline constexpr int kSamplesPerBlock = 300;
// A sample's level in encoder steps is its value less this centre.
inline constexpr int kCentre = 128;
// A sample the capture did not receive.
inline constexpr int kMissing = -1;

struct RecordedBlock
{
    long long number = 0;
    // value[i] is sample i + 1 (0-255), or kMissing when its row is not in the file.
    std::array<int, kSamplesPerBlock> value{};
};

struct ReadError
{
    long long line = 0; // counted from 1; 0 when the file is fine
    std::string reason;
};

// Reads the rows and hands each block, whole, to `onBlock` in file order. Stops at the first
// fault: a missing or different header, a row that is not five numbers in their ranges, a level
// that is not value - 128, a block number that goes back, or a sample repeated or out of order.
// Line ends may be LF or CR LF; empty lines at the end are allowed.
ReadError read(std::istream& input, const std::function<void(const RecordedBlock&)>& onBlock);

// "line 7: ..." for the user.
std::string describe(const ReadError& error);
} // namespace CaptureCsv
