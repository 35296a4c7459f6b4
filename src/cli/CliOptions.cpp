// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

#include "cli/CommandTexts.h"

#include "cli/AnalysisOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/OptionItems.h"
#include "core/Version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <limits>

namespace {
constexpr int kLongestQuietMs = 600'000;
constexpr int kMostBlocks = std::numeric_limits<int>::max();
// The runs one analyse compares: as many as a plot tells apart by colour.
constexpr int kMostRuns = 8;

const QCommandLineOption kPortOption(QStringLiteral("port"),
                                     QStringLiteral("The port number (1-255) as in the window's "
                                                    "list; default: the stored choice."),
                                     QStringLiteral("N"));
const QCommandLineOption kDeviceOption(QStringLiteral("device"),
                                       QStringLiteral("Reach the chosen port through this device "
                                                      "for this run."),
                                       QStringLiteral("path"));
const QCommandLineOption kDemoOption(QStringLiteral("demo"),
                                     QStringLiteral("Start the simulated KDSP chip and reach it "
                                                    "through the chosen port for this run."));
const QCommandLineOption kReplayOption(QStringLiteral("replay"),
                                       QStringLiteral("With --demo: the simulated chip streams "
                                                      "the blocks of this capture file, from the "
                                                      "first again after the last."),
                                       QStringLiteral("FILE"));
const QCommandLineOption kSimArgsOption(QStringLiteral("sim-args"),
                                        QStringLiteral("Extra arguments for the simulated chip "
                                                       "with --demo."),
                                        QStringLiteral("arguments"));

void addPortOptions(QCommandLineParser& parser)
{
    parser.addOptions({kPortOption, kDeviceOption, kDemoOption, kReplayOption, kSimArgsOption});
}

// stats and analyse read files, ports only looks at the devices and runs reads the journal: none
// opens a port, so none takes the port options, which would otherwise be taken and silently do
// nothing.
bool opensPort(CliCommand command)
{
    return command != CliCommand::Stats && command != CliCommand::Analyse &&
           command != CliCommand::Ports && command != CliCommand::Runs;
}

// The first port option set in `parser`, or nothing.
std::optional<QString> portOptionSet(const QCommandLineParser& parser)
{
    for (const QCommandLineOption* option :
         {&kPortOption, &kDeviceOption, &kDemoOption, &kReplayOption, &kSimArgsOption})
        if (parser.isSet(*option))
            return QStringLiteral("--") + option->names().constFirst();
    return std::nullopt;
}

ParsedCommandLine usageError(const QString& reason)
{
    CliText::printError(reason + QStringLiteral(" (see --help)"));
    return {std::nullopt, ExitStatus::kUsage};
}

ParsedCommandLine printed(const QString& text)
{
    CliText::printOut(text);
    return {std::nullopt, ExitStatus::kDone};
}

// A whole number in [low, high], or nothing.
std::optional<int> numberIn(const QString& text, int low, int high)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

QString programHelp(const QCommandLineParser& parser)
{
    QString text = QStringLiteral("Usage: %1 [port options] <command> [options]\n\n"
                                  "Talks to the Kestrum KDSP chip over its serial line as the "
                                  "window's controls do.\n\nCommands:\n")
                       .arg(CliText::kProgramName);
    for (const CommandTexts::CommandInfo& info : CommandTexts::kCommands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(info.name), QLatin1String(info.arguments),
                         QLatin1String(info.summary));
    text +=
        QStringLiteral("\n%1 <command> --help describes a command.\n\n").arg(CliText::kProgramName);
    // The option list of Qt's help text, without its own usage line.
    const QString options = parser.helpText();
    text += options.mid(options.indexOf(QLatin1Char('\n')) + 1).trimmed();
    return text + QStringLiteral("\n\n") + QLatin1String(CommandTexts::kExitStatusHelp) +
           QLatin1Char('\n');
}

QString commandHelp(const CommandTexts::CommandInfo& info, const QCommandLineParser& parser)
{
    const QLatin1String portOptions(opensPort(info.command) ? "[port options] " : "");
    QString text = QStringLiteral("Usage: %1 %2%3 %4\n\n%5\n")
                       .arg(CliText::kProgramName, portOptions, QLatin1String(info.name),
                            QLatin1String(info.arguments), QLatin1String(info.details));
    if (info.command == CliCommand::Option) {
        text += QStringLiteral("\nNames:\n");
        for (const OptionItem& item : kOptionItems)
            text += QStringLiteral("  %1  %2\n")
                        .arg(QLatin1String(item.name), -21)
                        .arg(QString::fromUtf8(item.description));
    }
    const QString options = parser.helpText();
    text += QLatin1Char('\n') + options.mid(options.indexOf(QLatin1Char('\n')) + 1).trimmed();
    return text + QStringLiteral("\n\n") + QLatin1String(CommandTexts::kExitStatusHelp) +
           QLatin1Char('\n');
}

// Takes the port options set in `parser` into `options`; false (with the reason) when invalid.
bool takePortOptions(const QCommandLineParser& parser, CliOptions& options, QString& reason)
{
    if (parser.isSet(kPortOption)) {
        options.portNumber =
            numberIn(parser.value(kPortOption), CliOptions::kFirstPort, CliOptions::kLastPort);
        if (!options.portNumber) {
            reason = QStringLiteral("--port takes a number from 1 to 255, not \"%1\"")
                         .arg(parser.value(kPortOption));
            return false;
        }
    }
    if (parser.isSet(kDeviceOption))
        options.device = parser.value(kDeviceOption);
    if (parser.isSet(kDemoOption))
        options.demo = true;
    if (parser.isSet(kSimArgsOption))
        options.simulatorArguments = QProcess::splitCommand(parser.value(kSimArgsOption));
    if (parser.isSet(kReplayOption))
        options.replayFile = QFileInfo(parser.value(kReplayOption)).absoluteFilePath();
    if (options.demo && !options.device.isEmpty()) {
        reason = QStringLiteral("--demo and --device name two different chips");
        return false;
    }
    return true;
}

// The sub-command's own options and arguments; `arguments` starts with its name.
ParsedCommandLine parseCommand(const CommandTexts::CommandInfo& info, const QStringList& arguments,
                               CliOptions options)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this text."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON line."));
    // Capture's figures go to standard error; --json changes how they are written, not the CSV.
    const QCommandLineOption statsJson(QStringLiteral("json"),
                                       QStringLiteral("With --stats or --analyse: the figures "
                                                      "on standard error as JSON."));
    const QCommandLineOption output(QStringLiteral("o"),
                                    QStringLiteral("Write to this file instead of standard "
                                                   "output."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption quiet(QStringLiteral("quiet-ms"),
                                   QStringLiteral("How long the line must be quiet (default "
                                                  "300)."),
                                   QStringLiteral("MS"));
    const QCommandLineOption blocks(QStringLiteral("blocks"),
                                    QStringLiteral("How many blocks (default 1)."),
                                    QStringLiteral("N"));
    const QCommandLineOption trigger(QStringLiteral("trigger"),
                                     QStringLiteral("Start as Triger on or Triger off does."),
                                     QStringLiteral("on|off"));
    const QCommandLineOption stats(QStringLiteral("stats"),
                                   QStringLiteral("Print the tracking-error figures on standard "
                                                  "error."));
    const QCommandLineOption journal(
        QStringLiteral("journal"), QStringLiteral("The journal's folder."), QStringLiteral("DIR"));
    parser.addOption(help);
    if (opensPort(info.command))
        addPortOptions(parser);
    switch (info.command) {
    case CliCommand::Timing:
        parser.addOption(json);
        break;
    case CliCommand::Registers:
    case CliCommand::Special:
    case CliCommand::Fuses:
        parser.addOption(output);
        break;
    case CliCommand::Option:
        parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The option item."));
        break;
    case CliCommand::Send:
        parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("The line to send."));
        parser.addOption(quiet);
        break;
    case CliCommand::Capture:
        parser.addOptions({blocks, trigger, output, stats, statsJson});
        AnalysisOptions::addTo(parser, false);
        break;
    case CliCommand::Analyse:
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A capture file."));
        parser.addPositionalArgument(QStringLiteral("FILE2"),
                                     QStringLiteral("More runs (up to %1 in all), compared with "
                                                    "the first.")
                                         .arg(kMostRuns),
                                     QStringLiteral("[FILE2...]"));
        parser.addOption(json);
        AnalysisOptions::addTo(parser, true);
        break;
    case CliCommand::Stats:
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A capture file."));
        parser.addOption(json);
        break;
    case CliCommand::Ports:
        parser.addOption(json);
        break;
    case CliCommand::Runs:
        parser.addPositionalArgument(QStringLiteral("SESSION"),
                                     QStringLiteral("A session's folder or name, or last."),
                                     QStringLiteral("[SESSION]"));
        parser.addOptions({json, journal});
        break;
    }
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return printed(commandHelp(info, parser));

    QString reason;
    if (opensPort(info.command) && !takePortOptions(parser, options, reason))
        return usageError(reason);
    if (!options.replayFile.isEmpty() && !options.demo)
        return usageError(QStringLiteral("--replay needs --demo: the simulated chip replays"));
    if (!options.simulatorArguments.isEmpty() && !options.demo)
        return usageError(QStringLiteral("--sim-args needs --demo: they are the simulated "
                                         "chip's"));
    options.command = info.command;
    // Found among the options given; options of other commands are not asked about at all.
    const auto has = [&parser](const QCommandLineOption& option) {
        return parser.optionNames().contains(option.names().constFirst());
    };
    options.json = has(json);
    if (has(output))
        options.outputFile = parser.value(output);
    const QStringList positional = parser.positionalArguments();
    const qsizetype wanted = info.command == CliCommand::Option ||
                                     info.command == CliCommand::Send ||
                                     info.command == CliCommand::Stats
                                 ? 1
                                 : 0;
    if (info.command == CliCommand::Analyse) {
        if (positional.isEmpty() || positional.size() > kMostRuns)
            return usageError(QStringLiteral("analyse takes 1 to %1 files").arg(kMostRuns));
        options.inputFiles = positional;
    } else if (info.command == CliCommand::Runs) {
        if (positional.size() > 1)
            return usageError(QStringLiteral("runs takes at most one session"));
        options.session = positional.value(0);
        if (has(journal))
            options.journalFolder = parser.value(journal);
    } else if (positional.size() != wanted) {
        return usageError(wanted == 0
                              ? QStringLiteral("%1 takes no arguments").arg(info.name)
                              : QStringLiteral("%1 takes one argument: %2")
                                    .arg(QLatin1String(info.name), QLatin1String(info.arguments)));
    }
    if (info.command == CliCommand::Option) {
        options.optionName = positional.first();
        if (!findOptionItem(options.optionName))
            return usageError(QStringLiteral("no option item \"%1\"").arg(options.optionName));
    }
    if (info.command == CliCommand::Send)
        options.text = positional.first();
    if (info.command == CliCommand::Stats)
        options.inputFile = positional.first();
    options.stats = has(stats);
    if (!AnalysisOptions::take(parser, options, reason))
        return usageError(reason);
    if (info.command == CliCommand::Capture && options.json && options.stats == options.analyse)
        return usageError(QStringLiteral("capture takes --json with one of --stats and --analyse"));
    if (has(quiet)) {
        const std::optional<int> ms = numberIn(parser.value(quiet), 1, kLongestQuietMs);
        if (!ms)
            return usageError(QStringLiteral("--quiet-ms takes 1 to %1").arg(kLongestQuietMs));
        options.quietMs = *ms;
    }
    if (has(blocks)) {
        const std::optional<int> n = numberIn(parser.value(blocks), 1, kMostBlocks);
        if (!n)
            return usageError(QStringLiteral("--blocks takes a number of at least 1"));
        options.blocks = *n;
    }
    if (has(trigger)) {
        const QString mode = parser.value(trigger);
        if (mode != QLatin1String("on") && mode != QLatin1String("off"))
            return usageError(QStringLiteral("--trigger takes on or off"));
        options.trigger = mode == QLatin1String("on") ? CaptureTrigger::On : CaptureTrigger::Off;
    }
    return {options, ExitStatus::kDone};
}
} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this text."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOption(help);
    parser.addOption(version);
    addPortOptions(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return printed(programHelp(parser));
    if (parser.isSet(version))
        return printed(Version::versionText(CliText::kProgramName));

    CliOptions options;
    QString reason;
    if (!takePortOptions(parser, options, reason))
        return usageError(reason);
    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return usageError(QStringLiteral("no command given"));
    for (const CommandTexts::CommandInfo& info : CommandTexts::kCommands) {
        if (rest.first() == QLatin1String(info.name)) {
            if (const std::optional<QString> given = portOptionSet(parser);
                given && !opensPort(info.command))
                return usageError(QStringLiteral("%1 uses no port: %2 does not apply")
                                      .arg(QLatin1String(info.name), *given));
            QStringList commandArguments = rest;
            commandArguments.first() = CliText::kProgramName + QLatin1Char(' ') + rest.first();
            return parseCommand(info, commandArguments, options);
        }
    }
    return usageError(QStringLiteral("unknown command \"%1\"").arg(rest.first()));
}
