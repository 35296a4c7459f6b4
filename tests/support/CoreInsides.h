// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' one way into a core's insides: its shared state, the message texts fixed at
// start-up, the link with its sequences and waits, and its output steps. A front-end has none of
// these; tests use them to set up a situation in one step (a scope running on port 1, a block
// already held, a readout already shown) or to look at what no signal tells. What a front-end can read, tests read through Core's accessors.

#include "core/Core.h"
#include "core/link/Link.h"

class CoreInsides
{
public:
    static SharedState& state(Core& core) { return core.state; }
    static const SharedState& state(const Core& core) { return core.state; }
    static const MessageTexts& messages(const Core& core) { return core.messages; }
    static Link& link(Core& core) { return core.link(); }

    // The core's output steps, to start from something already shown.
    static void setReadout(Core& c, Readout r, const QString& text) { c.setReadout(r, text); }
    static void setLampColour(Core& c, int colour) { c.setLampColour(colour); }
    static void clearConsole(Core& c) { c.clearConsole(); }
    static void appendToConsole(Core& c, const QString& text) { c.appendToConsole(text); }
    static void clearScope(Core& c) { c.clearScope(); }
    static void drawBlock(Core& c, const SampleBlock& b, int colour) { c.drawBlock(b, colour); }
    static void drawReceivedBlock(Core& c, const SampleBlock& b) { c.drawReceivedBlock(b); }
};

inline SharedState& stateOf(Core& core) { return CoreInsides::state(core); }
inline const SharedState& stateOf(const Core& core) { return CoreInsides::state(core); }
inline const MessageTexts& messagesOf(const Core& core) { return CoreInsides::messages(core); }
inline Link& linkOf(Core& core) { return CoreInsides::link(core); }

// --- The situations tests build again and again, each in one step, as a handler would have
// left the state; none of them emits a signal.

// The line is in this mode, the port as it is (a value outside the enum: a mode the core lacks).
inline void setLineMode(Core& core, Core::LineMode mode)
{
    stateOf(core).receiveMode = static_cast<quint8>(mode);
}

// A mode the line is never in: what a probe holds until it has seen the line's mode.
constexpr Core::LineMode kModeNotSeen{0xFF};

// The handlers hold this port number for their next opening, the port as it is.
inline void holdPortNumber(Core& core, int number)
{
    stateOf(core).portNumber = static_cast<quint8>(number);
}

// The port is open on this number with a receive profile, the line's mode as it was.
inline void openPortOn(Core& core, int number, const ReceiveProfile& profile)
{
    holdPortNumber(core, number);
    linkOf(core).reopenPort(profile);
}

// The port is open on this number with a profile and the line in a mode, as a sending handler
// leaves it (port 1, the capture profile and Capture: a running scope).
inline void listenOn(Core& core, int number, const ReceiveProfile& profile, Core::LineMode mode)
{
    openPortOn(core, number, profile);
    setLineMode(core, mode);
}

// The chip's timing is known: this grid (ms between samples) is held, the readouts untouched.
inline void knowTiming(Core& core, double grid) { stateOf(core).timeGrid = grid; }

// This block is held as the last one captured (a right click draws it again).
inline void holdBlock(Core& core, const SampleBlock& block) { stateOf(core).sampleBlock = block; }

// The blocks from now on are drawn in this colour (0x00BBGGRR), one of the options or not.
inline void useTraceColour(Core& core, double colour) { stateOf(core).traceColour = colour; }

// The markers stand at these sample positions (below 0: not placed), the scope as it is.
inline void placeMarkersAt(Core& core, float start, float end)
{
    stateOf(core).markerStart = start;
    stateOf(core).markerEnd = end;
}
