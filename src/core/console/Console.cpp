// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/Console.h"

#include "core/Core.h"
#include "core/link/Comm.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"
#include "core/scope/ScopeControl.h"


namespace {
constexpr char32_t kLastLatin1 = 0xFF;
constexpr char kUnmappable = '?';
} // namespace

Console::Console(Core& core, Link& link) : core_(core), link_(link) {}

void Console::enterCommandLine()
{
    core_.setCommandLineColour(kFocusColour);
    try {
        core_.scope().stopBlocks();
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}

void Console::typeKey(int key, const QString& line)
{
    // Read for every key, before the trap: a port choice made while typing takes effect at Enter.
    core_.state.portNumber = core_.portNumberFromList();
    try {
        if (key != Core::kEnterKey)
            return; // the character goes into the line as typed
        sendCommandLine(line);
    } catch (const CommError& error) {
        // The typed command is dropped first, so the line is empty while the message shows.
        core_.clearCommandLine();
        link_.reportPortError(error.number());
    }
}

void Console::sendCommandLine(const QString& typed)
{
    core_.state.receiveMode = ModeConsole;
    link_.reopenPort(kConsoleProfile);
    // Nothing can run between the open and this test; it guards the send all the same.
    if (!core_.serialPort.portOpen() || core_.state.receiveMode != ModeConsole) {
        core_.clearCommandLine();
        return;
    }
    if (typed.isEmpty()) {
        // Enter on an empty line starts afresh: the console is cleared and the chip gets a lone
        // carriage return (its register listing).
        core_.clearConsole();
        link_.sendCommand(QByteArray());
        Q_EMIT core_.listingAsked(Core::Listing::Registers);
        return;
    }
    link_.sendCommand(toLineBytes(typed));
    Q_EMIT core_.lineSent(typed);
    core_.clearCommandLine();
    // Only a command that went out is offered again by Up/Down.
    core_.rememberCommand(typed);
}

void Console::leaveCommandLine()
{
    core_.setCommandLineColour(kNoFocusColour);
}

void Console::returnToCommandLine()
{
    core_.setCommandLineColour(kFocusColour);
    // Moving the focus raises enterCommandLine through the front-end, which stops the chip.
    core_.focusCommandLine();
}

QByteArray Console::toLineBytes(const QString& typed)
{
    QByteArray bytes;
    bytes.reserve(typed.size());
    // Code points, not UTF-16 units: a character beyond the basic plane is one "?", not two.
    for (const char32_t c : typed.toUcs4())
        bytes.append(c <= kLastLatin1 ? static_cast<char>(c) : kUnmappable);
    return bytes;
}
