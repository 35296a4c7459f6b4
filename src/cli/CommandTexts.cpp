// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandTexts.h"

namespace CommandTexts {
namespace {
const CommandInfo kCommandList[] = {
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
     "than any that settled sooner than it could have (the time it was followed, less a\n"
     "hold; a median or maximum that falls on such moves is \"not settled\"); one cut short\n"
     "by its block's end before others settled hands its weight to the moves that took\n"
     "longer (the product-limit estimate). Its overshoot is the largest seen before its\n"
     "block ended, a lower bound, once its error crossed over; cut before that, it is left\n"
     "out of the overshoot. Beside each median, its middle half: NAME_p25 and NAME_p75 (for\n"
     "peak and rms, over the blocks).\n"
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
     "moves, settle_ms and overshoot_pct, each of the two followed by its change against\n"
     "the run before (better, worse, same, same (within spread)), then the best run for\n"
     "each figure that has a better side, as the Runs window ranks and compares them. A run\n"
     "the window did not finish (it was killed) is read from its files; a damaged or missing\n"
     "session.json is rebuilt from the run files, with a message on standard error; nothing\n"
     "is changed on disk. The journal is the window's: --journal, else the [Journal] Folder\n"
     "setting, else $XDG_DATA_HOME/Trevalon/runs. With --json one document:\n"
     "{\"sessions\":[...]} or {\"session\",\"folder\",\"runs\":[...],\"best\":{...},\n"
     "\"messages\":[...]}, each run with \"change\":{figure: word} against the run before.\n"
     "Exit status 5 when SESSION is not found. No port is used."},
};

} // namespace

const std::span<const CommandInfo> kCommands(kCommandList);
const char* const kExitStatusHelp =
    "Exit status: 0 done, 2 bad usage, 3 invalid port or no access, 4 port in use,\n"
    "5 device lost or an input/output failure, 6 the chip did not answer,\n"
    "7 a --fail-if condition held.";
} // namespace CommandTexts
