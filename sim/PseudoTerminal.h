// SPDX-License-Identifier: GPL-3.0-or-later
// A pseudo-terminal pair whose slave side the program opens as if it were a serial port.
//
// Both sides are switched to raw mode (no echo, no CR/LF translation, no signals, 8-bit bytes)
// before the program ever opens the slave; otherwise the line discipline would mangle bytes
// across the program's close and reopen. The master is non-blocking.
#pragma once

#include <string>

namespace kdsp {

class PseudoTerminal
{
public:
    // Throws std::system_error when no pseudo-terminal can be had.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return m_master; }
    const std::string& slavePath() const { return m_slavePath; }

    // Closes the master: whoever has the slave open sees a hang-up. Safe to call twice.
    void close();

private:
    int m_master = -1;
    std::string m_slavePath;
};

} // namespace kdsp
