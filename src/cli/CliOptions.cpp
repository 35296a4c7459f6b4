// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

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

struct CommandInfo
{
    CliCommand command;
    const char* name;
    const char* arguments; // shown after the name in the usage line
    const char* summary;
    const char* details;
};

const CommandInfo kCommands[] = {
    {CliCommand::Timing, "timing", "[--json]", "PID detect: the time grid and the PID frequency",
     "Runs Detect's sequence and prints the two readouts as the window shows them:\n"
     "  time grid 1.91 ms\n  PID frequency 2619.17 Hz\n"
     "With --json one line instead:\n"
     "  {\"time_grid_ms\": 1.909, \"pid_frequency_hz\": 2619.17}\n"
     "time_grid_ms is the time between two samples (up to 12 significant digits),\n"
     "pid_frequency_hz the readout's value (2 decimals). Exit status 6 when the chip gives\n"
     "no time grid."},
    {CliCommand::Registers, "registers", "[-o FILE]", "the register listing",
     "Runs the Registers button's sequence and prints the listing once the chip has been\n"
     "quiet for 300 ms. With -o the listing is saved as the window's Save writes a setup\n"
     "file (Latin-1, CR LF, the file replaced whole). Exit status 6 when no listing comes."},
    {CliCommand::Special, "special", "[-o FILE]", "the special listing",
     "Runs the Special button's sequence; otherwise as \"registers\"."},
    {CliCommand::Fuses, "fuses", "[-o FILE]", "the state of the fuses",
     "Runs State of Fuses' sequence; otherwise as \"registers\"."},
    {CliCommand::Option, "option", "NAME", "switch one of the chip's options",
     "Runs the KDSP Special Config item and prints the register listing and the chip's\n"
     "answer. Exit status 6 when the chip does not answer."},
    {CliCommand::Send, "send", "TEXT [--quiet-ms MS]", "send a line to the chip",
     "Sends TEXT as Enter in the command line does and prints what the chip answers until\n"
     "the line has been quiet for MS milliseconds (default 300). Exit status 6 when the chip\n"
     "does not answer."},
    {CliCommand::Capture, "capture",
     "[--blocks N] [--trigger on|off] [-o FILE] [--stats] [--analyse [--fail-if EXPR]...] "
     "[--json]",
     "scope blocks as CSV",
     "Runs Start's sequence (with --trigger, that of Triger on or Triger off), writes N\n"
     "blocks (default 1) as CSV and ends with Stop's sequence, also on Ctrl-C or SIGTERM\n"
     "(status 0; the rows written so far are complete). Columns:\n"
     "  block,sample,value,time_ms,level\n"
     "one row per sample received (1-300; missing samples are left out). time_ms and level\n"
     "are the numbers the pointer readouts show over that sample (time written as 0.5, not\n"
     "\".5\"). Exit status 6 when the chip gives no timing or no block. A FILE named *.gz\n"
     "is written gzip-compressed, each block a member of its own (a third of the size).\n"
     "With --stats the tracking-error figures of each block and of the whole run go to\n"
     "standard error as \"stats\" prints them (with --json as its JSON document), so the\n"
     "CSV stays clean. With --analyse the blocks are analysed as they come, as \"analyse\"\n"
     "does a file, on standard error; with --fail-if the exit status is 7 when a condition\n"
     "holds for the run (the production line's one command). With --json the document is\n"
     "whole at every end, with \"error\" when the capture failed, the messages after it."},
    {CliCommand::Stats, "stats", "FILE [--json]", "tracking-error figures of a capture file",
     "Reads a capture file (CSV, or gzip-compressed CSV, told by its first bytes) written\n"
     "by capture (or by the window's --record), one block at a time; a pipe reads alike and\n"
     "FILE - is standard input. It prints for each block\n"
     "and for the whole run, in encoder steps (level = value - 128): samples, min, max,\n"
     "peak (largest absolute level), mean, RMS and SD (of the samples themselves), such as\n"
     "  block 1: 300 samples, min -12, max 15, peak 15, mean 0.53, RMS 4.21, SD 4.18 ...\n"
     "  run of 1 blocks: ...\n"
     "With --json one line instead:\n"
     "  {\"blocks\":[{\"block\":1,\"figures\":{\"samples\":300,\"min\":-12,...}}],\n"
     "   \"run\":{\"blocks\":1,\"figures\":{...}}}\n"
     "A block without samples has null figures. A recording whose last block a crash cut\n"
     "short gives the figures of the whole blocks before it, says on standard error from\n"
     "which line the cut block was left out (in the JSON as \"incomplete_tail_from_line\")\n"
     "and exits 0. Exit status 2 (with the line) when FILE is not a capture file, 5 when it\n"
     "cannot be read. The JSON is one whole document or nothing: a fault after the first\n"
     "block closes it there with \"error\" (the message). No port is used."},
    {CliCommand::Analyse, "analyse",
     "FILE [FILE2...] [--json] [--report FILE.html] [--fail-if EXPR]... [--grid MS]",
     "moves, settling and the dominant oscillation of a run, or two compared",
     "Reads capture files (CSV or gzip, told by content; - is standard input) once, in\n"
     "flat memory, and prints each move as\n"
     "it is found and the run's figures: those of stats (samples, min, max, peak, mean,\n"
     "rms, sd) and moves, settled, settle_ms, settle_ms_max, overshoot_pct,\n"
     "overshoot_pct_max, damping_ratio, ringing_hz, frequency_hz, frequency_amplitude,\n"
     "frequency_resolution_hz, nyquist_hz. Levels are in encoder steps (value - 128).\n"
     "Within each block a move is where |error| exceeds T (--move-threshold, default 10);\n"
     "it starts where |error| last rose above W (--window, default 2) and settles at the\n"
     "first sample after its peak from which H samples (--hold, default 10) lie within\n"
     "+-W. An excursion under way at a block's first sample is not reported; a missing\n"
     "sample ends a stretch as the block's end does. The overshoot is the largest error of\n"
     "the other sign before the settling; where it exceeds W, ringing_hz and damping_ratio\n"
     "follow from it. Every move counts: one not settled within its block counts as longer\n"
     "than any settled one (a median or maximum that falls on one is \"not settled\"), and\n"
     "its overshoot is the largest seen before its block ended, a lower bound. Beside each\n"
     "median, its middle half: NAME_p25 and NAME_p75 (for peak and rms, over the blocks).\n"
     "The spectrum is the mean of the power spectra (Hann window) of the blocks received\n"
     "whole or but their last sample. Its dominant oscillation is searched from bin 3 (bins\n"
     "1-2 hold the window's spread of each block's mean) and found between bins; it is\n"
     "reported only where it is a local maximum with at least 4 times the median power of\n"
     "the bins 4 to 8 bins away on either side: otherwise \"no oscillation stands out\".\n"
     "Each block is timed on its own time grid; a file without one (time_ms 0: the chip's\n"
     "timing was not answered) has no figure in ms or Hz: --grid MS gives it.\n"
     "With two files (before, after) the figures stand side by side with the change and\n"
     "the better run where lower is better: better only where the middle halves do not\n"
     "overlap, else \"same (within spread)\". Up to 8 files: each figure per run, the\n"
     "change against the first (in JSON) and the best run. A session folder of the journal\n"
     "of runs stands for all its runs, each labelled with what was sent before it.\n"
     "With --json one document:\n"
     "  {\"files\":[{\"path\",\"moves\":[{\"block\",\"start_ms\",\"peak\",\"peak_ms\",\n"
     "   \"overshoot_pct\",\"overshoot_ms\",\"settled\",\"settle_ms\",\"ringing_hz\",\n"
     "   \"damping_ratio\"}],\"blocks\",\"time_grid_ms\",\"figures\":{...},\n"
     "   \"no_value\":{\"settle_ms\":\"not settled, 0 of 20 moves settled\",...}}],\n"
     "   \"compare\":{\"rms\":{\"a\",\"b\",\"change\",\"better\",\"within_spread\"},...},\n"
     "   \"failed\":[{\"path\",\"condition\",\"value\",\"reason\"}]}\n"
     "or nothing; a failure after the first block closes it there with \"error\". A figure\n"
     "without a number is null, its reason in no_value.\n"
     "--fail-if EXPR (a figure in any case, < <= > or >=, a finite number: rms>5,\n"
     "settle_ms>=80, settle_ms_p75>60) names each that holds and exits 7. A figure without\n"
     "a number reads as what its absence means: \"not settled\" is longer than any bound\n"
     "(settle_ms>80 holds); nothing to find (no overshoot beyond W, no oscillation stands\n"
     "out) is the best case and holds nothing; a figure that cannot be judged (no samples,\n"
     "no moves, no whole block, no time grid) holds every condition. --report writes the\n"
     "figures, a typical move of each run, the spectra and each block's RMS and peak as\n"
     "one HTML page with no scripts. Exit status 2 for a file that is not a capture or a\n"
     "malformed condition, 5 when a file cannot be read or written."},
    {CliCommand::Ports, "ports", "[--json]", "the port numbers that reach a device",
     "Lists every port number (1-255) whose device exists: the number as the window's list\n"
     "shows it, the device, where the mapping comes from (default or [Ports]), what the\n"
     "system knows of it (USB ids, manufacturer, serial number, description), whether this\n"
     "user may open it and whether another program holds it; the stored choice is marked\n"
     "with *. No device is opened or written to. With --json one array of objects."},
    {CliCommand::Runs, "runs", "[SESSION] [--json] [--journal DIR]",
     "the scope runs the window kept in its journal",
     "Without SESSION, the window's sessions, newest first: when each started, its runs,\n"
     "its size on disk and its folder. With SESSION (a session's folder, its name, or\n"
     "\"last\" for the newest), its runs: number, start, duration, the label (what was sent\n"
     "to the chip since the run before: command lines and option items, in order), blocks,\n"
     "moves, settle_ms and overshoot_pct, then the best run for each figure that has a\n"
     "better side. A run the window did not finish (it was killed) is read from its files;\n"
     "a damaged or missing session.json is rebuilt from the run files, with a message on\n"
     "standard error; nothing is changed on disk. The journal is the window's: --journal,\n"
     "else the [Journal] Folder setting, else $XDG_DATA_HOME/Trevalon/runs. With --json one\n"
     "document: {\"sessions\":[...]} or {\"session\",\"folder\",\"runs\":[...],\"best\":{...},\n"
     "\"messages\":[...]}. Exit status 5 when SESSION is not found. No port is used."},
};

const char* const kExitStatusHelp =
    "Exit status: 0 done, 2 bad usage, 3 invalid port or no access, 4 port in use,\n"
    "5 device lost or an input/output failure, 6 the chip did not answer,\n"
    "7 a --fail-if condition held.";

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
    for (const CommandInfo& info : kCommands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(info.name), QLatin1String(info.arguments),
                         QLatin1String(info.summary));
    text +=
        QStringLiteral("\n%1 <command> --help describes a command.\n\n").arg(CliText::kProgramName);
    // The option list of Qt's help text, without its own usage line.
    const QString options = parser.helpText();
    text += options.mid(options.indexOf(QLatin1Char('\n')) + 1).trimmed();
    return text + QStringLiteral("\n\n") + QLatin1String(kExitStatusHelp) + QLatin1Char('\n');
}

QString commandHelp(const CommandInfo& info, const QCommandLineParser& parser)
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
    return text + QStringLiteral("\n\n") + QLatin1String(kExitStatusHelp) + QLatin1Char('\n');
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
ParsedCommandLine parseCommand(const CommandInfo& info, const QStringList& arguments,
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
    for (const CommandInfo& info : kCommands) {
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
