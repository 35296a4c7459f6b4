// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimOptions.h"

#include "HexDigits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

namespace kdsp {

namespace {

constexpr std::string_view kOptionPrefix = "--";
constexpr char kValueSeparator = '=';
constexpr int kMaxDropPermille = 1000;
// A minute is far beyond any timeout the program waits for.
constexpr std::int64_t kMaxSlowMs = 60'000;
// The chunk period: from a tenth of a millisecond (far below any adapter's) to a second.
constexpr double kMinChunkMs = 0.1;
constexpr double kMaxChunkMs = 1000.0;
// The period of the text stream when no --chunk-ms is given: a USB CDC adapter's.
constexpr std::chrono::nanoseconds kDefaultTextChunk = std::chrono::milliseconds(1);
constexpr double kNsPerMs = 1e6;
// The known signals: steps and amplitudes within the byte's half range, damping ratios that
// overshoot (0 < z < 1), frequencies up to what any grid can show, and move periods long
// enough for a move's rise and short enough to leave a block room for more than one.
constexpr double kMaxSteps = 127;
constexpr double kMinDamping = 0.01;
constexpr double kMaxDamping = 0.99;
constexpr double kMinHz = 0.1;
constexpr double kMaxHz = 1000;
constexpr std::int64_t kMinMoveEvery = 30;
constexpr std::int64_t kMaxMoveEvery = 1'000'000;

std::optional<std::int64_t> parseNumber(std::string_view text, std::int64_t low, std::int64_t high)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDecimal(std::string_view text, double low, double high)
{
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || !(value >= low) ||
        !(value <= high)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// One option that takes a value: its name and how it stores the value; false means the value
// is not acceptable.
struct ValueOption
{
    std::string_view name;
    std::string_view expected;
    std::function<bool(std::string_view, SimOptions&)> store;
};

// Stores a decimal from `low` to `high` in a field of the known signal's shape.
std::function<bool(std::string_view, SimOptions&)> knownDecimal(double KnownSignalShape::*field,
                                                                double low, double high)
{
    return [=](std::string_view v, SimOptions& o) {
        const auto value = parseDecimal(v, low, high);
        o.chip.knownSignal.*field = value.value_or(0);
        return value.has_value();
    };
}

std::vector<ValueOption> valueOptions()
{
    return {
        {"timing-digit", "a digit 0..9",
         [](std::string_view v, SimOptions& o) {
             const auto digit = parseNumber(v, kMinTimingDigit, kMaxTimingDigit);
             o.chip.timingDigit = static_cast<int>(digit.value_or(0));
             return digit.has_value() && v.size() == 1;
         }},
        {"timing-reply", "hex bytes such as 0d4a31",
         [](std::string_view v, SimOptions& o) {
             o.chip.timingReply = parseHexBytes(v);
             return o.chip.timingReply.has_value();
         }},
        {"slow-ms", "milliseconds 0..60000",
         [](std::string_view v, SimOptions& o) {
             const auto ms = parseNumber(v, 0, kMaxSlowMs);
             o.chip.replyDelay = std::chrono::milliseconds(ms.value_or(0));
             return ms.has_value();
         }},
        {"drop-permille", "a number 0..1000",
         [](std::string_view v, SimOptions& o) {
             const auto permille = parseNumber(v, 0, kMaxDropPermille);
             o.chip.dropPermille = static_cast<int>(permille.value_or(0));
             return permille.has_value();
         }},
        {"vanish-after", "a count of blocks, 1 or more",
         [](std::string_view v, SimOptions& o) {
             const auto blocks = parseUnsigned(v);
             o.vanishAfter = blocks.value_or(0);
             return blocks.has_value() && *blocks > 0;
         }},
        {"chunk-ms", "milliseconds 0.1..1000, such as 1 or 5.5",
         [](std::string_view v, SimOptions& o) {
             const auto ms = parseDecimal(v, kMinChunkMs, kMaxChunkMs);
             o.chunkPeriod = std::chrono::nanoseconds(std::llround(ms.value_or(0) * kNsPerMs));
             return ms.has_value();
         }},
        {"link", "a path",
         [](std::string_view v, SimOptions& o) {
             o.linkPath = std::string(v);
             return !v.empty();
         }},
        {"replay", "a capture file (CSV)",
         [](std::string_view v, SimOptions& o) {
             o.replayPath = std::string(v);
             return !v.empty();
         }},
        {"moves", "a step in steps, 1..127",
         knownDecimal(&KnownSignalShape::stepSteps, 1, kMaxSteps)},
        {"damping", "a damping ratio 0.01..0.99, such as 0.25",
         knownDecimal(&KnownSignalShape::dampingRatio, kMinDamping, kMaxDamping)},
        {"natural-hz", "a frequency in Hz, 0.1..1000",
         knownDecimal(&KnownSignalShape::naturalHz, kMinHz, kMaxHz)},
        {"move-every", "a count of samples, 30..1000000",
         [](std::string_view v, SimOptions& o) {
             const auto samples = parseNumber(v, kMinMoveEvery, kMaxMoveEvery);
             o.chip.knownSignal.moveEvery = static_cast<std::uint64_t>(samples.value_or(0));
             return samples.has_value();
         }},
        {"tone", "an amplitude in steps, 1..127",
         knownDecimal(&KnownSignalShape::toneSteps, 1, kMaxSteps)},
        {"tone-hz", "a frequency in Hz, 0.1..1000",
         knownDecimal(&KnownSignalShape::toneHz, kMinHz, kMaxHz)},
        {"noise", "steps 0..127, such as 1",
         knownDecimal(&KnownSignalShape::noiseSteps, 0, kMaxSteps)},
        {"seed", "an unsigned number",
         [](std::string_view v, SimOptions& o) {
             const auto seed = parseUnsigned(v);
             o.chip.seed = seed.value_or(0);
             return seed.has_value();
         }},
    };
}

// What is wrong with the known signal's options together; empty when nothing is.
std::string knownSignalConflict(const SimOptions& options,
                                const std::vector<std::string_view>& given)
{
    const KnownSignalShape& known = options.chip.knownSignal;
    const auto wasGiven = [&](std::string_view name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    for (const std::string_view name : {"damping", "natural-hz", "move-every"}) {
        if (wasGiven(name) && known.stepSteps == 0)
            return "--" + std::string(name) + " goes with --moves";
    }
    if (wasGiven("tone-hz") && known.toneSteps == 0)
        return "--tone-hz goes with --tone";
    if (wasGiven("noise") && !known.replacesServo())
        return "--noise goes with --moves or --tone";
    if (known.replacesServo() && !options.replayPath.empty())
        return "--moves and --tone make the signal that --replay would replace: choose one";
    return {};
}

} // namespace

std::optional<std::string> parseHexBytes(std::string_view hex)
{
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * kHexBase + low));
    }
    return bytes;
}

ParsedOptions parseSimOptions(const std::vector<std::string>& arguments)
{
    ParsedOptions parsed;
    SimOptions& options = parsed.options;
    const std::vector<ValueOption> withValue = valueOptions();
    std::vector<std::string_view> given;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        if (argument == "-v" || argument == "--version") {
            options.version = true;
            continue;
        }
        if (!argument.starts_with(kOptionPrefix)) {
            parsed.error = "unexpected argument '" + arguments[i] + "'";
            return parsed;
        }
        argument.remove_prefix(kOptionPrefix.size());
        std::optional<std::string_view> inlineValue;
        if (const auto separator = argument.find(kValueSeparator);
            separator != std::string_view::npos) {
            inlineValue = argument.substr(separator + 1);
            argument = argument.substr(0, separator);
        }

        if (argument == "unpaced" || argument == "mute" || argument == "verbose" ||
            argument == "text-stream" || argument == "loop") {
            if (inlineValue) {
                parsed.error = "--" + std::string(argument) + " takes no value";
                return parsed;
            }
            options.chip.paced = options.chip.paced && argument != "unpaced";
            options.chip.mute = options.chip.mute || argument == "mute";
            options.verbose = options.verbose || argument == "verbose";
            options.textStream = options.textStream || argument == "text-stream";
            options.chip.replayLoop = options.chip.replayLoop || argument == "loop";
            continue;
        }

        const ValueOption* option = nullptr;
        for (const ValueOption& candidate : withValue) {
            if (candidate.name == argument) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            parsed.error = "unknown option '" + arguments[i] + "'";
            return parsed;
        }
        if (!inlineValue && i + 1 >= arguments.size()) {
            parsed.error =
                "--" + std::string(option->name) + " needs " + std::string(option->expected);
            return parsed;
        }
        const std::string_view value = inlineValue ? *inlineValue : arguments[++i];
        given.push_back(option->name);
        if (!option->store(value, options)) {
            parsed.error = "--" + std::string(option->name) + " needs " +
                           std::string(option->expected) + ", not '" + std::string(value) + "'";
            return parsed;
        }
    }
    options.chip.blockLimit = options.vanishAfter;
    if (!options.chip.paced && (options.textStream || options.chunkPeriod.count() > 0)) {
        parsed.error = "--unpaced cannot go with --chunk-ms or --text-stream: they pace the line";
        return parsed;
    }
    if (options.chip.replayLoop && options.replayPath.empty()) {
        parsed.error = "--loop goes with --replay";
        return parsed;
    }
    if (const std::string error = knownSignalConflict(options, given); !error.empty()) {
        parsed.error = error;
        return parsed;
    }
    if (options.textStream && options.chunkPeriod.count() == 0) {
        options.chunkPeriod = kDefaultTextChunk;
    }
    return parsed;
}

std::string usageText(std::string_view programName)
{
    std::string text = "Usage: " + std::string(programName) + " [options]\n";
    text += R"(
Simulates a KDSP servo-controller chip on a pseudo-terminal. The first line printed on
standard output is the path of the serial device to open (115200 8N1, raw).

Options:
  --timing-digit D     digit answered to J1100 and setting the sample time (default 4)
  --timing-reply HEX   answer J1100 with these raw bytes instead, e.g. 0d4a31 or 00ff
  --unpaced            send scope blocks as fast as the reader takes them
  --chunk-ms MS        hand paced output to the line in chunks every MS milliseconds, at
                       the line rate (1 is a USB CDC adapter's pace, 5.5 an FTDI-style one's;
                       default: each block whole when it has gone out on the line)
  --text-stream        while the device is open, send lines of the register listing over
                       and over at the line rate (chunks of 1 ms unless --chunk-ms is given)
  --mute               never answer anything, not even scope blocks
  --slow-ms N          delay every text and timing answer by N ms
  --drop-permille N    lose each outgoing byte with probability N/1000
  --vanish-after N     after N scope blocks close the device and exit
  --link PATH          make PATH a symlink to the device; removed at exit
  --replay FILE        send the blocks of this capture file (block,sample,value,time_ms,
                       level) in order each time the scope is started (from the first block
                       again once the last has gone out), each once the reader has taken the
                       one before; a sample missing from the file is sent as the one before it,
                       and a last block cut short (a recording ended by a crash) is left out;
                       the file is read as it is sent, a few blocks ahead, so a fault found
                       part-way ends the replay at the whole block before it, as a cut last
                       block does, with a line on standard error (standard input or a pipe is
                       sent once: it cannot be read again)
  --loop               with --replay: start again from the first block after the last
  --seed N             seed of the simulated signal and of lost bytes (default 1)
  --moves STEPS        instead of the servo signal, moves of STEPS steps, alternately up and
                       down, that a second-order loop follows: the tracking error after each
                       is STEPS e^(-z w t) (cos(wd t) + z/sqrt(1-z^2) sin(wd t)), wd = w
                       sqrt(1-z^2), w = 2 pi F; one every K samples, the first at sample 21
                       (K 300: one a block, at its 21st sample, settling within it)
  --damping Z          the loop's damping ratio z, 0.01..0.99 (default 0.5)
  --natural-hz F       the loop's natural frequency in Hz (default 30)
  --move-every K       samples from one move to the next, 30 or more (default 300)
  --tone AMPLITUDE     add (or, alone, send) a sustained oscillation of this many steps
  --tone-hz F          its frequency in Hz (default 50); samples are on the chip's grid
                       (1.909 ms for timing digit 4: at most 261.9 Hz can be told apart)
  --noise N            add noise to --moves or --tone, uniform within +-N steps
  --verbose            log commands and events to standard error
  -h, --help           show this text
  -v, --version        show the version
)";
    return text;
}

} // namespace kdsp
