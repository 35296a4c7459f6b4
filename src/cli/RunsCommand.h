// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "runs [SESSION]": the window's journal of scope runs, read through the core's reader: the
// sessions newest first, or one session's runs with their labels, figures, each run's change
// against the one before and the best run per figure, all as the Runs window's model gives them.
// No port is touched and nothing on disk changes.

class SettingsStore;
struct CliOptions;

namespace RunsCommand {
int run(const CliOptions& options, const SettingsStore& settings);
} // namespace RunsCommand
