// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "ports": which port number is which device, and whether it can be used now, for the user who
// has to pick a number in the window's list. Nothing is opened or written.

class PortMap;

namespace PortsCommand {
// storedNumber: the stored port choice (0 for none).
int run(const PortMap& map, int storedNumber, bool json);
} // namespace PortsCommand
