// SPDX-License-Identifier: GPL-3.0-or-later
// trevalon-cli: the window's controls as sub-commands, on the core alone (no display needed).
// Each sub-command runs the matching control's handler, so the chip gets the same bytes with the
// same waits as from the window.

#include "cli/AnalyseCommand.h"
#include "cli/CaptureCommand.h"
#include "cli/CliDialogs.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ConsoleCommands.h"
#include "cli/ExitStatus.h"
#include "cli/NoScopeImages.h"
#include "cli/OptionItems.h"
#include "cli/PortsCommand.h"
#include "cli/RunsCommand.h"
#include "cli/Session.h"
#include "cli/StatsCommand.h"
#include "cli/TimingCommand.h"
#include "core/Core.h"
#include "core/SettingsStore.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"

#include <QCoreApplication>
#include <QScopeGuard>

namespace {
// The port a device or the simulated chip is reached through when no port has been chosen, as
// the window's --demo does.
constexpr int kFallbackPort = 1;

int runCommand(Session& session, const CliOptions& options)
{
    switch (options.command) {
    case CliCommand::Timing:
        return TimingCommand::run(session, options.json);
    case CliCommand::Registers:
    case CliCommand::Special:
    case CliCommand::Fuses:
        return ConsoleCommands::runListing(session, options);
    case CliCommand::Option:
        return ConsoleCommands::runOption(session, *findOptionItem(options.optionName));
    case CliCommand::Send:
        return ConsoleCommands::runSend(session, options);
    case CliCommand::Capture:
        return CaptureCommand(session, options).run();
    case CliCommand::Stats:
    case CliCommand::Analyse:
    case CliCommand::Ports:
    case CliCommand::Runs:
        break; // run before any port is set up
    }
    return ExitStatus::kUsage;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CliText::kProgramName);
    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.options)
        return parsed.exitStatus;
    const CliOptions& options = *parsed.options;
    if (options.command == CliCommand::Stats)
        return StatsCommand::run(options);
    if (options.command == CliCommand::Analyse)
        return AnalyseCommand::run(options);

    SettingsStore settings;
    if (options.command == CliCommand::Runs)
        return RunsCommand::run(options, settings);

    // In this order the core goes before the port it uses, and the port before the chip at its
    // other end.
    SimulatedChip chip;
    PortMap ports(&settings);
    SerialComm comm(ports);
    CliDialogs dialogs;
    NoScopeImages images;
    Core core(comm, dialogs, settings, images);
    Session session(core, dialogs);
    comm.takeFailures([&session](const QString& failure) { session.noteFailure(failure); });
    const auto sessionEnded = qScopeGuard([&comm] { comm.takeFailures({}); });

    // The window's start-up, which takes the list position it selects as the choice: the stored
    // [Setup] Port, unless --port names another. Nothing is stored back.
    core.startUp();
    if (options.command == CliCommand::Ports)
        return PortsCommand::run(ports, core.portNumberFromList(), options.json);
    if (options.portNumber)
        core.setPortPosition(*options.portNumber - 1);

    QString device = options.device;
    if (options.demo) {
        QStringList simulatorArguments = options.simulatorArguments;
        // A capture asks for a count of blocks, not for the recording's: past its last block
        // the recording starts again from its first at the line rate, as a live chip goes on.
        if (!options.replayFile.isEmpty())
            simulatorArguments << QStringLiteral("--replay") << options.replayFile
                               << QStringLiteral("--loop");
        if (!chip.start(simulatorArguments)) {
            CliText::printError(
                QStringLiteral("the simulated chip did not start: %1").arg(chip.errorString()));
            return ExitStatus::kIoFailure;
        }
        device = chip.devicePath();
    }
    if (!device.isEmpty()) {
        if (core.portPosition() < 0)
            core.setPortPosition(kFallbackPort - 1);
        ports.setRunOverride(core.portPosition() + 1, device);
    }
    return runCommand(session, options);
}
