// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' one way into a core's insides: its shared state, the message texts fixed at
// start-up and the link with its sequences and waits. A front-end has none of these; tests use
// them to set up a situation in one step (a scope running on port 1, a block already held) or to
// look at what no signal tells.

#include "core/Core.h"

class Link;

class CoreInsides
{
public:
    static SharedState& state(Core& core) { return core.state; }
    static const SharedState& state(const Core& core) { return core.state; }
    static const MessageTexts& messages(const Core& core) { return core.messages; }
    static Link& link(Core& core) { return core.link(); }
};

inline SharedState& stateOf(Core& core) { return CoreInsides::state(core); }
inline const SharedState& stateOf(const Core& core) { return CoreInsides::state(core); }
inline const MessageTexts& messagesOf(const Core& core) { return CoreInsides::messages(core); }
inline Link& linkOf(Core& core) { return CoreInsides::link(core); }
