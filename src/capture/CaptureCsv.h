// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a capture file back: the CSV that `trevalon-cli capture` and `trevalon --record`
// write (block,sample,value,time_ms,level, one row per sample received). Standard C++ only and
// below the core, so that the simulator, which has no Qt and is not part of the program it
// judges, replays recordings through the same reader.

#include "capture/BlockSize.h"

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

namespace CaptureCsv {
inline constexpr std::string_view kHeader = "block,sample,value,time_ms,level";
// A sample's value at zero tracking error, and a value's level in encoder steps.
inline constexpr int kCentreValue = 128;
constexpr int levelOfValue(int value)
{
    return value - kCentreValue;
}
// A sample the capture did not receive.
inline constexpr int kMissing = -1;

struct RecordedBlock
{
    long long number = 0;
    // value[i] is sample i + 1 (0-255), or kMissing when its row is not in the file.
    std::array<int, kBlockSize> value{};
    // The time between two samples in milliseconds: the time_ms of the block's last sample
    // received over its number (sample k is at k x grid; the column is rounded to hundredths,
    // so the last sample gives the grid most closely).
    double timeGridMs = 0;
};

struct ReadError
{
    long long line = 0; // counted from 1; 0 when the file is fine
    std::string reason;
};

// A block is read from the line once 299 of its bytes wait, so the 300th may not have come yet:
// every block the program writes has at least this many rows. A block with fewer was cut short.
inline constexpr int kFewestRowsOfWholeBlock = kBlockSize - 1;

struct ReadResult
{
    ReadError error;
    // A recording cut short inside the write of its last block (a crash, a kill, a power cut)
    // ends in a torn block: fewer than kFewestRowsOfWholeBlock rows, or a last line without its
    // line end. That tail is left out and this is its first line (a block's first row, or the
    // torn row alone when the rows before it are a whole block); 0 when nothing was left out.
    long long droppedFromLine = 0;
    // The file's bytes up to the end of its last whole block's last row (the header's end when
    // no block is whole): what a recording that goes on in this file keeps.
    std::uint64_t wholeLength = 0;
};

// Reads the rows and hands each whole block to `onBlock` in file order. Stops at the first
// fault: a missing or different header, a row that is not five numbers in their ranges, a level
// that is not value - 128, a block number that goes back, a sample repeated or out of order, or
// a block cut short with another block after it. Only the last block may be torn (see
// ReadResult). Line ends may be LF or CR LF; empty lines at the end are allowed; a UTF-8
// byte-order mark before the header is passed over.
ReadResult read(std::istream& input, const std::function<void(const RecordedBlock&)>& onBlock);

// "line 7: ..." for the user.
std::string describe(const ReadError& error);
// "the recording was cut short: its incomplete last block, from line 1203 on, is left out".
std::string describeDroppedTail(long long line);
} // namespace CaptureCsv
