// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/Listings.h"

#include "core/Core.h"
#include "core/link/ChipCommands.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"


Listings::Listings(Core& core, Link& link) : core_(core), link_(link) {}

void Listings::fetchRegisters()
{
    stopThenList(ChipCommand::kRegisterListing, Core::Listing::Registers);
}

void Listings::fetchSpecials()
{
    stopThenList(ChipCommand::kSpecialListing, Core::Listing::Specials);
}

void Listings::stopThenList(const QByteArray& request, Core::Listing listing)
{
    core_.state.portNumber = core_.portNumberFromList();
    core_.setLampColour(static_cast<int>(kRed));
    try {
        link_.reopenPort(kConsoleProfile);
        link_.sendCommand(ChipCommand::kStop);
        // receiveMode is left as the click found it: a running scope's last bytes are taken as
        // samples during the wait, not shown as text.
        link_.pumpEvents(Wait::kStopThenListing);
        link_.sendCommand(request);
        Q_EMIT core_.listingAsked(listing);
        core_.clearScope();
        core_.state.receiveMode = ModeConsole;
        // No receive event can run before this handler returns, so the console gets the
        // listing from its first character.
        core_.clearConsole();
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}

void Listings::fetchFuses()
{
    try {
        link_.closeIfOpen();
        // Console mode from the start: the answer to "q" lands in the console and is wiped below.
        core_.state.receiveMode = ModeConsole;
        core_.state.portNumber = core_.portNumberFromList();
        core_.setLampColour(static_cast<int>(kRed));
        link_.reopenPort(kConsoleProfile);
        link_.sendCommand(ChipCommand::kStop);
        link_.pumpEvents(Wait::kStopThenFuses);
        core_.clearConsole();
        // If a handler run during the wait closed the port, "u" still goes out through a brief
        // open and close, and no answer is shown.
        link_.sendKeepingState(ChipCommand::kFuseListing);
        Q_EMIT core_.listingAsked(Core::Listing::Fuses);
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}
