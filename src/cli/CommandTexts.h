// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What trevalon-cli says of its sub-commands: the usage line, the summary of --help and each
// command's own --help text, and the exit statuses.

#include "cli/CliOptions.h"

#include <span>

namespace CommandTexts {
struct CommandInfo
{
    CliCommand command;
    const char* name;
    const char* arguments; // shown after the name in the usage line
    const char* summary;
    const char* details;
};

extern const std::span<const CommandInfo> kCommands;
extern const char* const kExitStatusHelp;
} // namespace CommandTexts
