// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start, Stop and the two trigger buttons, built from four sequences that other handlers reuse:
// prepareScope (also the first step of PID detect), queryTiming and openForBlocks (also the
// trigger buttons) and stopBlocks (also a left click on the scope surface and the command line).

class Core;
class Link;

class ScopeControl
{
public:
    ScopeControl(Core& core, Link& link);

    // Each handler arms its port-error trap after prepareScope, so a failing port leaves the
    // markers and their readouts cleared and reports the error; nothing is retried or undone.
    void start();        // Start: timing query, then blocks; ends running, lamp green
    void stop();        // Stop: "q" and close; ends in ModeCapture, readouts kept
    void startTriggered(); // "Triger on": a start, blocks plotted for a wait, then "J1001"
    void startUntriggered(); // "Triger off": a start, blocks dropped for a wait, then "J1002"

    // The shared sequences. They throw CommError to the calling handler's trap.

    // portNumber from the port choice (position + 1, so 0 without a choice), both markers
    // removed and the marker readouts (start, end, width) emptied. Cannot fail.
    void prepareScope();
    // Timing profile, ModeTiming, "J1100", then the full 601-pass wait in which the dispatcher
    // takes the reply. The wait does not end early.
    void queryTiming();
    // Capture profile and "J1000". Leaves receiveMode to the caller.
    void openForBlocks();
    // Lamp red and ModeCapture (these two cannot fail), then "q" on the port as it stands: a
    // closed port is opened with the number it already holds. The port ends closed.
    void stopBlocks();

private:
    Core& core_;
    Link& link_;
};
