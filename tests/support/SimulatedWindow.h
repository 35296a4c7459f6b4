// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A loaded main window on the real serial port (SerialComm over QSerialPort) whose chosen port
// number reaches the simulated chip (kdsp-sim on a pseudo-terminal) or any device the test maps
// to it. Dialogs are scripted and the settings live in memory. The counted waits keep their
// default time slice: without it a wait ends before a real line can carry the chip's answer.

#include "support/CoreInsides.h"
#include "support/CoreSetup.h"
#include "support/IdleFor.h"
#include "window/Fo.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"
#include "support/MemorySettings.h"
#include "support/ScriptedDialogs.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class SimulatedWindow
{
public:
    // A number with no default device, so only the test's mapping reaches anything.
    static constexpr int kPort = 250;
    static constexpr int kPortPosition = kPort - 1;

    // The window is shown (offscreen) with kPort chosen; no device is mapped yet.
    SimulatedWindow();
    ~SimulatedWindow();
    SimulatedWindow(const SimulatedWindow&) = delete;
    SimulatedWindow& operator=(const SimulatedWindow&) = delete;

    // Starts the simulated chip with the given arguments (stopping one started before) and maps
    // kPort to it. False when the simulator could not be started (see chip.errorString()).
    //
    // The port reaches the chip through a link in a folder of this window's own, which the
    // simulator removes as it ends: the number of a pseudo-terminal is handed out again as soon
    // as it is free (to other tests running alongside, say), so a port mapped to that number
    // could reach someone else's line once the chip has gone.
    bool startChip(const QStringList& arguments = {});
    // The path kPort reaches the chip by; it disappears when the chip ends.
    QString chipLink() const { return chipLink_; }
    // Maps kPort to a device path for this run: a new chip, a test's own line, or a path where
    // nothing is.
    void mapPort(const QString& devicePath);

    // Everything the user has been told about a fault so far: message boxes shown, and numbers
    // written on the window's surface.
    int reportCount() const;
    QStringList reports() const;

    // The port choice as the user sees it.
    int chosenPosition() const;

    MemorySettings settings;
    ScriptedDialogs dialogs;
    PortMap ports;
    SimulatedChip chip;
    SerialComm comm;
    std::unique_ptr<Fo> window;
    Fo& fo;

private:
    QTemporaryDir linkFolder_;
    int chipsStarted_ = 0;
    QString chipLink_;
};

// Runs the event loop, one pass at a time, until the condition holds or the time is up; the
// condition is tested after every pass, so keep it cheap. Returns the condition's last value.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);


// Detect waits 401 counted passes (100 ms and more) for the chip's timing reply. On a loaded
// machine the simulated chip, another process, may not get a processor in time for one
// measurement, while a fault in the program misses every one: Detect is run until the PID
// readout shows `expected`, at most kDetectAttempts times. Returns whether it did.
constexpr int kDetectAttempts = 3;
bool detectUntilShown(Fo& fo, const QString& expected);

// The register listing the simulated chip sends with its options as they come from reset.
QString resetRegisterListing();

// Starts the scope as Start does and returns how long the verb took, in milliseconds.
double startScopeTookMs(Fo& fo);
