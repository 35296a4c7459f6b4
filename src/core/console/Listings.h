// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The register, special-command and fuse listings fetched into the console. Each stops the
// chip's stream with "q", waits a counted number of event-loop passes (other handlers and the
// receive event run meanwhile), then sends its request so that the console holds the listing
// alone, ready to be saved.

#include "core/Core.h"

#include <QByteArray>

class Link;

class Listings
{
public:
    Listings(Core& core, Link& link);

    // Each reports its own port errors and returns normally, also when another handler calls it
    // as a procedure (the chip option items run fetchRegisters before their command).
    void fetchRegisters(); // Registers: a lone carriage return
    void fetchSpecials();     // Special: "s"
    void fetchFuses();       // State of Fuses: "u"

private:
    // Registers and Special: the request is written whether or not the port is still open after
    // the wait (a closed port fails with 8018); the surface is cleared and the console emptied
    // after the request.
    void stopThenList(const QByteArray& request, Core::Listing listing);

    Core& core_;
    Link& link_;
};
