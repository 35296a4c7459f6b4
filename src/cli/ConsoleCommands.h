// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sub-commands whose result is the console's text: the three listings, an option item and a
// line sent from the command line. Each runs the matching control's handler, lets the chip
// answer until the line has been quiet, and prints (or saves) what the console then holds.

#include <QString>

class Session;
struct CliOptions;
struct OptionItem;

namespace ConsoleCommands {
// How long the chip may take to begin an answer once the handler has returned.
constexpr int kFirstAnswerMs = 2000;

int runListing(Session& session, const CliOptions& options);
int runOption(Session& session, const OptionItem& item);
int runSend(Session& session, const CliOptions& options);
} // namespace ConsoleCommands
