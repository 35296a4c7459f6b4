// SPDX-License-Identifier: GPL-3.0-or-later
// The multi-line texts the chip answers: the register listing (a lone CR), the list of special
// commands ("s") and the fuse report ("u"). ASCII only, every line ended CR LF, columns aligned
// so that a plain terminal shows a table.
#pragma once

#include "ChipOptions.h"

#include <string>

namespace kdsp {

// What the register listing reflects besides the options.
struct ChipStatus
{
    ChipOptions options;
    int timingDigit = 0;
    bool scopeRunning = false;
    bool triggerMode = false;
};

std::string registerListing(const ChipStatus& status);
std::string specialCommandList();
std::string fuseReport(const ChipOptions& options);

} // namespace kdsp
