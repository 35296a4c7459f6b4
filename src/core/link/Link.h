// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command sequences every handler uses to talk to the chip, the counted waits between them
// and the shared report of a port failure.

#include "capture/CaptureCsv.h"

#include <QByteArray>
#include <QtGlobal>

#include <chrono>

class Comm;
class Core;

// How the port is reopened for the kind of answer expected.
struct ReceiveProfile
{
    int threshold;
    int readLength;
    bool discardNulls;
};
constexpr ReceiveProfile kConsoleProfile{1, 1, true};
constexpr ReceiveProfile kTimingProfile{7, 7, true};
constexpr ReceiveProfile kCaptureProfile{kBlockSize - 1, 1, false}; // one less than the block
// A capture file reads a block of this many rows as whole.
static_assert(kCaptureProfile.threshold == CaptureCsv::kFewestRowsOfWholeBlock);

// The counted waits.
namespace Wait {
constexpr int kTiming = 601;
constexpr int kOption = 1001;
constexpr int kStopThenListing = 2001;
constexpr int kStopThenFuses = 4001;
constexpr int kPidReply = 401;
} // namespace Wait

class Link
{
public:
    Link(Comm& comm, Core& core);

    // Text and one carriage return, as one write. Throws CommError.
    void sendCommand(const QByteArray& text);
    // Closes the port if open, sets the number to portNumber and the profile, opens it.
    void reopenPort(const ReceiveProfile& profile);
    // Sends on the port as it is; a closed port is opened only for the command.
    void sendKeepingState(const QByteArray& text);
    // Sends and leaves the port closed.
    void sendAndClose(const QByteArray& text);
    // Closes the port if it is open.
    void closeIfOpen();

    // The window is closing and has sent its stop command: the port is retired (see
    // Comm::retire), every counted wait of this link in progress returns at its next pass and
    // later ones at once, and no failure is reported any more. The handlers interrupted by the
    // close run their remaining steps without a wait and without reaching the line. Other links
    // in the same process wait on as before.
    void shutDown();

    // Yields to the event loop count times; in every pass all pending events are processed
    // (receive events and user input, handlers run to their end) and then the pass waits for
    // new events up to one slice. Counted passes alone collapse to a fraction of a millisecond,
    // far less than a chip behind a USB adapter needs to answer.
    void pumpEvents(int count);
    static constexpr std::chrono::microseconds kDefaultPumpSlice{250};
    // Tests on the fake port may set the slice to 0.
    void setPumpSlice(std::chrono::microseconds slice) { pumpSlice_ = slice; }
    std::chrono::microseconds pumpSlice() const { return pumpSlice_; }
    // How many of this link's counted waits are in progress, nested in one another.
    int waitDepth() const { return waitDepth_; }

    // 8002 and 8005: a message box and the port choice cleared; any other number is written on
    // the window's surface.
    void reportPortError(int number);

    // The device went away under the open port. With no handler waiting it is reported at once.
    // A handler waiting in pumpEvents meets the closed port at its next step and reports that
    // failure itself, so the loss is reported only if nothing has been reported by the time the
    // waiting handlers have returned: one fault, one report.
    void reportDeviceLost(int number);

private:
    // Runs once no counted wait is in progress any more.
    void reportLossUnlessReported(int number, quint64 reportsBefore);

    Comm& comm_;
    Core& core_;
    quint64 reportsMade_ = 0;
    // Set by shutDown(): waits end at once and failures are no longer reported.
    bool shutDown_ = false;
    std::chrono::microseconds pumpSlice_ = kDefaultPumpSlice;
    int waitDepth_ = 0;
};
