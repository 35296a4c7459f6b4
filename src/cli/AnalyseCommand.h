// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "analyse FILE [FILE2]": the tracking-error analysis of one run, or of two side by side
// (before and after), from capture files read once; pass or fail by the --fail-if conditions
// (exit status 7 when any holds) and the report page on request. No port is touched.

struct CliOptions;

namespace AnalyseCommand {
int run(const CliOptions& options);
} // namespace AnalyseCommand
