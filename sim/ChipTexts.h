// SPDX-License-Identifier: GPL-3.0-or-later
// The multi-line texts the chip answers: the register listing (a lone CR), the list of special
// commands ("s") and the fuse report ("u"). ASCII only, every line ended CR LF, columns aligned
// so that a plain terminal shows a table.
#pragma once

#include "ChipGains.h"
#include "ChipOptions.h"

#include <string>
#include <string_view>

namespace kdsp {

// What the register listing reflects besides the options.
struct ChipStatus
{
    ChipOptions options;
    int timingDigit = 0;
    bool scopeRunning = false;
    bool triggerMode = false;
    ChipGains gains;
};

// The listing shows the registers 0x00 to this one; there are no others.
inline constexpr unsigned kLastRegisterAddress = 0x0D;

std::string registerListing(const ChipStatus& status);
// One register's line of the listing, in its columns, ended CR LF.
std::string registerLine(unsigned address, std::string_view name, unsigned value,
                         std::string_view meaning);
std::string specialCommandList();
std::string fuseReport(const ChipOptions& options);

} // namespace kdsp
