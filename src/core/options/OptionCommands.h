// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chip option items of the "KDSP Special Config" menu. All eight run one procedure with
// their command text; nothing records or marks the option chosen.

#include "core/Core.h"

#include <QByteArray>

class Link;

class OptionCommands
{
public:
    OptionCommands(Core& core, Link& link);

    // Stops the scope, fetches the register listing into the console, waits for it and sends
    // the option command on the port as the wait left it. On the line: "q", a lone carriage
    // return 2001 passes later, the command 1001 passes after that. A port error in the
    // listing is reported there and the command is still tried, so with no port chosen the
    // user sees the port message twice and nothing is sent.
    void sendOption(const QByteArray& command);

    // One item of the KDSP Special Config menu: its command, sent as sendOption sends it.
    void switchOption(Core::ChipOption option);

private:
    Core& core_;
    Link& link_;
};
