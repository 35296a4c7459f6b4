// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of trevalon-cli: options choosing the port (before or after the sub-command),
// one sub-command and its own options. --help and --version are answered here.

#include "cli/FailConditions.h"
#include "core/analysis/MoveFinder.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class CliCommand {
    Timing,
    Registers,
    Special,
    Fuses,
    Option,
    Send,
    Capture,
    Stats,
    Analyse,
    Ports,
    Runs
};
enum class CaptureTrigger { None, On, Off };

struct CliOptions
{
    static constexpr int kDefaultQuietMs = 300;
    static constexpr int kDefaultBlocks = 1;
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 255;

    CliCommand command = CliCommand::Timing;

    // The port: a number of the list (none: the stored choice), a device it reaches for this
    // run, or the simulated chip.
    std::optional<int> portNumber;
    QString device;
    bool demo = false;
    QStringList simulatorArguments;
    QString replayFile; // with demo: the capture file the simulated chip replays

    bool json = false;      // timing, capture --stats, stats, ports, runs
    bool stats = false;     // capture: the figures of each block and of the run
    QString inputFile;      // stats
    QString session;        // runs: a session's folder or name, "last"; empty: all
    QString journalFolder;  // runs: the journal's folder; empty: the settings' or default
    QStringList inputFiles; // analyse: up to 8 runs, compared with the first
    bool analyse = false;   // capture: the analysis of the blocks captured
    QString reportFile;     // analyse: the HTML page; empty: none
    std::vector<FailCondition> failConditions; // analyse, capture --analyse
    MoveFinder::Settings moveSettings;         // analyse, capture --analyse
    std::optional<double> timeGridMs;          // analyse: the grid of every block, over the file's
    QString outputFile;                        // listings and capture; empty: standard output
    QString optionName;                        // option
    QString text;                              // send
    int quietMs = kDefaultQuietMs;             // send
    int blocks = kDefaultBlocks;               // capture
    CaptureTrigger trigger = CaptureTrigger::None;
};

struct ParsedCommandLine
{
    std::optional<CliOptions> options; // empty: nothing to run, end with exitStatus
    int exitStatus = 0;
};

// Parses the arguments (the program's name first). Help and version texts go to standard output
// (status 0), a usage error with its reason to standard error (status 2).
ParsedCommandLine parseCommandLine(const QStringList& arguments);
