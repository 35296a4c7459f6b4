// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of kdsp-sim.
#pragma once

#include "ChipModel.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdsp {

struct SimOptions
{
    ChipConfig chip;
    // After this many blocks the device disappears: the pty is closed and the program ends
    // (0: never).
    std::uint64_t vanishAfter = 0;
    // A symlink to the slave device made at start and removed at exit (empty: none).
    std::string linkPath;
    // Paced output leaves in chunks of this period at the line rate (0: each block whole).
    std::chrono::nanoseconds chunkPeriod{0};
    // Lines of text at the line rate while the line is open (the console's load).
    bool textStream = false;
    // A capture file whose blocks the chip sends instead of its servo signal (empty: none).
    std::string replayPath;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

struct ParsedOptions
{
    SimOptions options;
    std::string error; // empty when the command line was understood
};

// `arguments` without the program name. Each option taking a value accepts "--name value" and
// "--name=value".
ParsedOptions parseSimOptions(const std::vector<std::string>& arguments);

std::string usageText(std::string_view programName);

// "0d4a31" -> "\r" "J1"; an odd count of digits or a non-hex character gives nothing.
std::optional<std::string> parseHexBytes(std::string_view hex);

} // namespace kdsp
