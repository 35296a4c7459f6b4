// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "stats FILE": the tracking-error figures of a capture file, as `capture --stats` printed them
// for that run, so two runs can be compared afterwards. No port is touched.

struct CliOptions;

namespace StatsCommand {
int run(const CliOptions& options);
} // namespace StatsCommand
