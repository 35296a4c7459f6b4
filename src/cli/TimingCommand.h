// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "timing": Detect's sequence, then the time grid and the PID frequency as the readouts show them.

#include <QString>

class Core;
class Session;

namespace TimingCommand {
int run(Session& session, bool json);

// The two lines ("time grid 1.91 ms", "PID frequency 2619.17 Hz") or the JSON line, from the
// core's readouts and time grid.
QString text(const Core& core);
QString json(const Core& core);
} // namespace TimingCommand
