// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/ScopeControl.h"

#include "core/Core.h"
#include "core/link/ChipCommands.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"


namespace {
constexpr float kNoMarker = -1;
// The trigger buttons let blocks flow for as long as the timing wait before the trigger command.
constexpr int kBlocksBeforeTrigger = Wait::kTiming;
} // namespace

ScopeControl::ScopeControl(Core& core, Link& link) : core_(core), link_(link) {}

void ScopeControl::prepareScope()
{
    // Position -1 (no choice) wraps to 0, the number no port has; the list holds 255 ports, so
    // a choice always fits in the 8 bits.
    core_.state.portNumber = core_.portNumberFromList();
    core_.setMarkers(kNoMarker, kNoMarker);
    for (const Readout r : {Readout::MarkerStart, Readout::MarkerEnd, Readout::MarkerWidth})
        core_.setReadout(r, QString());
}

void ScopeControl::queryTiming()
{
    link_.reopenPort(kTimingProfile);
    core_.state.receiveMode = ModeTiming;
    link_.sendCommand(ChipCommand::kTimingQuery);
    const quint64 replies = core_.timingReplies_;
    link_.pumpEvents(Wait::kTiming);
    core_.endTimingQuery(replies);
}

void ScopeControl::openForBlocks()
{
    link_.reopenPort(kCaptureProfile);
    link_.sendCommand(ChipCommand::kScopeStart);
}

void ScopeControl::stopBlocks()
{
    core_.setLampColour(static_cast<int>(kRed));
    core_.state.receiveMode = ModeCapture;
    link_.sendAndClose(ChipCommand::kStop);
}

void ScopeControl::start()
{
    prepareScope();
    try {
        queryTiming();
        openForBlocks();
        // No yield from here to the end: the first block is dispatched after the handler has
        // returned, when receiveMode is already ModeCapture.
        core_.setLampColour(static_cast<int>(kGreen));
        core_.clearScope();
        core_.state.receiveMode = ModeCapture;
        Q_EMIT core_.blocksAwaited(false);
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}

void ScopeControl::stop()
{
    // The marker lines, their texts and the readouts stay on screen; the next left click starts
    // a new pair.
    core_.setMarkers(kNoMarker, kNoMarker);
    try {
        stopBlocks();
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}

void ScopeControl::startTriggered()
{
    prepareScope();
    try {
        queryTiming();
        // Capture mode before the blocks start, so the blocks of the next wait are plotted.
        core_.state.receiveMode = ModeCapture;
        openForBlocks();
        link_.pumpEvents(kBlocksBeforeTrigger);
        // Stop pressed during the wait has closed the port: the command then goes out through
        // a brief opening and the port stays closed.
        link_.sendKeepingState(ChipCommand::kTriggerOn);
        core_.clearScope();
        core_.setLampColour(static_cast<int>(kGreen));
        Q_EMIT core_.blocksAwaited(true);
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}

void ScopeControl::startUntriggered()
{
    prepareScope();
    try {
        queryTiming();
        openForBlocks();
        // Still ModeTiming: bytes of this wait are read one at a time by the timing branch and
        // dropped, and the trace already on the surface stays.
        link_.pumpEvents(kBlocksBeforeTrigger);
        link_.sendKeepingState(ChipCommand::kTriggerOff);
        // Red until the next block arrives, which turns the lamp green again.
        core_.setLampColour(static_cast<int>(kRed));
        core_.state.receiveMode = ModeCapture;
        Q_EMIT core_.blocksAwaited(false);
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}
