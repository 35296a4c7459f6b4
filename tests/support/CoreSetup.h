// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Setting up what the core shows, for tests that start from a given state.

#include "core/Core.h"

// Puts a text into the console as if the chip had sent it (the core holds the console's text;
// a window shows it).
inline void setConsoleText(Core& core, const QString& text)
{
    core.clearConsole();
    if (!text.isEmpty())
        core.appendToConsole(text);
}
