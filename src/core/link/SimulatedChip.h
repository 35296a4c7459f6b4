// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the simulated KDSP chip (the kdsp-sim program) for --demo and for integration tests.
// kdsp-sim prints the path of its pseudo-terminal as its first line; that path is then opened
// like any serial port. The simulator's own log (--verbose) goes to our standard error.

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

class SimulatedChip : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultStartTimeoutMs = 5000;
    // After SIGTERM the simulator gets this long to remove its link and end before it is killed.
    static constexpr int kStopGraceMs = 1000;
    static constexpr const char* kProgramName = "kdsp-sim";

    explicit SimulatedChip(QObject* parent = nullptr);
    // Stops the simulator if it still runs.
    ~SimulatedChip() override;

    // Starts the simulator with the given extra arguments (e.g. "--timing-digit", "6") and waits
    // up to timeoutMs for the device path. On failure the simulator is not left running and
    // errorString() says why. Stops a simulator this object started before.
    bool start(const QStringList& arguments = {}, int timeoutMs = kDefaultStartTimeoutMs);

    // Ends the simulator: SIGTERM, then a kill if it has not ended after kStopGraceMs. Does
    // nothing if it is not running. Emits finished() when it had been running.
    void stop();

    bool isRunning() const;
    // The serial device to open; empty until start() succeeded.
    QString devicePath() const { return devicePath_; }
    QString errorString() const { return error_; }

    // The kdsp-sim to start; empty (the default) means locateProgram() at each start().
    QString program() const { return program_; }
    void setProgram(const QString& path) { program_ = path; }

    // kdsp-sim next to the running executable, else one folder up (the tests live in
    // build/tests, the simulator in build/), else on PATH. Empty if none is found.
    static QString locateProgram();

Q_SIGNALS:
    // The simulator has ended: stopped, vanished (--vanish-after), or crashed.
    void finished(int exitCode);

private:
    void fail(const QString& message);

    QProcess* process_ = nullptr;
    QString program_;
    QString devicePath_;
    QString error_;
};
