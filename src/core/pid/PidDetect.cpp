// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pid/PidDetect.h"

#include "core/Core.h"
#include "core/link/ChipCommands.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"
#include "core/scope/ScopeControl.h"

namespace {
// Long enough for the chip to finish a block it is sending when "q" arrives.
constexpr int kStopSettle = Wait::kStopThenListing;
} // namespace

PidDetect::PidDetect(Core& core, Link& link) : core_(core), link_(link) {}

void PidDetect::detect()
{
    core_.scope().prepareScope();
    try {
        // Stop phase. receiveMode is left as it was, so whatever the chip still sends during
        // the wait is handled as before the click.
        link_.reopenPort(kConsoleProfile);
        link_.sendCommand(ChipCommand::kStop);
        link_.pumpEvents(kStopSettle);
        link_.closeIfOpen();
        core_.setLampColour(static_cast<int>(kRed));

        // Timing phase. The surface is cleared before the wait, so nothing of the old trace is
        // left once the readouts change.
        link_.reopenPort(kTimingProfile);
        core_.state.receiveMode = ModeTiming;
        link_.sendCommand(ChipCommand::kTimingQuery);
        core_.clearScope();
        const quint64 replies = core_.timingReplies_;
        link_.pumpEvents(Wait::kPidReply);
        core_.endTimingQuery(replies);
        // A reply later than the wait is lost with the close; the readouts keep their values.
        link_.closeIfOpen();
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}
