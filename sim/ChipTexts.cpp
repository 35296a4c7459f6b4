// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChipTexts.h"

#include "KdspProtocol.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace kdsp {

namespace {

// Column widths of the tables; the last column takes the rest of the line.
constexpr int kAddressWidth = 6;
constexpr int kNameWidth = 12;
constexpr int kValueWidth = 8;
constexpr int kCommandWidth = 7;
constexpr int kFuseNameWidth = 14;
constexpr std::size_t kLineBufferSize = 128;
// The write command's entry in the special commands: its letter, the column being narrower
// than a whole write.
constexpr std::string_view kWriteRegisterEntry{&kWriteRegister, 1};

void appendLine(std::string& out, std::string_view text)
{
    out += text;
    out += kLineEnd;
}

void appendRegister(std::string& out, unsigned address, std::string_view name, unsigned value,
                    std::string_view meaning)
{
    out += registerLine(address, name, value, meaning);
}

void appendRow(std::string& out, int firstWidth, std::string_view first, int secondWidth,
               std::string_view second, std::string_view rest)
{
    std::array<char, kLineBufferSize> line{};
    std::snprintf(line.data(), line.size(), "%-*.*s%-*.*s%.*s", firstWidth,
                  static_cast<int>(first.size()), first.data(), secondWidth,
                  static_cast<int>(second.size()), second.data(), static_cast<int>(rest.size()),
                  rest.data());
    appendLine(out, line.data());
}

std::string thermoText(int celsius)
{
    return "thermo protection " + std::to_string(celsius) + " C";
}

} // namespace

std::string registerLine(unsigned address, std::string_view name, unsigned value,
                         std::string_view meaning)
{
    std::array<char, kLineBufferSize> line{};
    std::snprintf(line.data(), line.size(), "0x%02X%*s%-*.*s0x%04X%*s%.*s", address,
                  kAddressWidth - 4, "", kNameWidth, static_cast<int>(name.size()), name.data(),
                  value, kValueWidth - 6, "", static_cast<int>(meaning.size()), meaning.data());
    std::string out;
    appendLine(out, line.data());
    return out;
}

std::string registerListing(const ChipStatus& status)
{
    const ChipOptions& options = status.options;
    const unsigned scopeBits =
        (status.scopeRunning ? 0x1U : 0x0U) | (status.triggerMode ? 0x2U : 0x0U);
    const char* scopeText = !status.scopeRunning ? "scope stopped"
                            : status.triggerMode ? "scope streaming, trigger on"
                                                 : "scope streaming";

    std::string out;
    appendLine(out, "KDSP register listing");
    appendRow(out, kAddressWidth, "Addr", kNameWidth, "Register", "Value   Meaning");
    appendRegister(out, 0x00, "CTRL", 0x0013, "servo loop enabled");
    appendRegister(out, 0x01, "STATUS", 0x0000, "no fault");
    for (const GainRegister& gain : gainRegisters()) {
        appendRegister(out, gain.address, gain.name, status.gains.*gain.value, gain.meaning);
    }
    appendRegister(out, 0x05, "ILIMIT", 0x07FF, "current limit");
    appendRegister(out, 0x06, "VMAX", 0x1570, "speed limit");
    appendRegister(out, 0x07, "AMAX", 0x0EA6, "acceleration limit");
    appendRegister(out, 0x08, "TSAMPLE", static_cast<unsigned>(status.timingDigit),
                   "timing digit " + std::to_string(status.timingDigit));
    appendRegister(out, 0x09, "THERMO", static_cast<unsigned>(options.thermoLimitCelsius),
                   thermoText(options.thermoLimitCelsius));
    appendRegister(out, 0x0A, "MOTPROT", options.motorProtection ? 1 : 0,
                   options.motorProtection ? "motor protection on"
                                           : "motor protection off (temporary)");
    appendRegister(out, 0x0B, "SOFTLIM", options.softLimitSignalsFault ? 1 : 0,
                   options.softLimitSignalsFault ? "soft limit with fault signal"
                                                 : "soft limit without fault signal");
    appendRegister(out, 0x0C, "PWMMODE", options.pwmMode == PwmMode::Ac ? 1 : 0,
                   options.pwmMode == PwmMode::Ac ? "PWM AC mode" : "PWM DC mode");
    appendRegister(out, kLastRegisterAddress, "SCOPE", scopeBits, scopeText);
    return out;
}

std::string specialCommandList()
{
    struct Entry
    {
        std::string_view command;
        std::string_view description;
    };
    const std::array<Entry, 17> entries{{
        {kStartScope, "start the scope: blocks of 300 tracking error samples"},
        {kTriggerOn, "trigger mode on: a block only when a move starts"},
        {kTriggerOff, "trigger mode off: blocks run freely"},
        {kTimingQuery, "report the timing digit (time between samples)"},
        {kThermo100, "thermo protection 100 C"},
        {kThermo80, "thermo protection 80 C"},
        {kThermo60, "thermo protection 60 C (default)"},
        {kMotorProtectionOff, "motor protection off (temporary, until reset)"},
        {kSoftLimitWithFault, "soft limit with fault signal (default)"},
        {kSoftLimitWithoutFault, "soft limit without fault signal"},
        {kPwmDc, "PWM DC mode (default)"},
        {kPwmAc, "PWM AC mode"},
        {kWriteRegisterEntry, "write KP, KI or KD: W, address, space, value in hex (W02 0180)"},
        {kStopScope, "stop the scope"},
        {kSpecialCommands, "this list"},
        {kFuseReport, "fuse report"},
        {"<CR>", "register listing"},
    }};
    std::string out;
    appendLine(out, "KDSP special commands");
    for (const Entry& entry : entries) {
        appendRow(out, kCommandWidth, entry.command, 0, "", entry.description);
    }
    return out;
}

std::string fuseReport(const ChipOptions& options)
{
    const std::string thermo = "armed at " + std::to_string(options.thermoLimitCelsius) + " C";
    std::string out;
    appendLine(out, "KDSP fuse report");
    appendRow(out, kAddressWidth, "Fuse", kFuseNameWidth, "Name", "State");
    appendRow(out, kAddressWidth, "F0", kFuseNameWidth, "OVERCURRENT", "intact");
    appendRow(out, kAddressWidth, "F1", kFuseNameWidth, "OVERVOLTAGE", "intact");
    appendRow(out, kAddressWidth, "F2", kFuseNameWidth, "THERMO", thermo);
    appendRow(out, kAddressWidth, "F3", kFuseNameWidth, "MOTOR",
              options.motorProtection ? "armed" : "bypassed until reset");
    appendRow(out, kAddressWidth, "F4", kFuseNameWidth, "SOFTLIMIT",
              options.softLimitSignalsFault ? "armed, fault signal on" : "armed, fault signal off");
    appendRow(out, kAddressWidth, "F5", kFuseNameWidth, "WATCHDOG", "intact");
    return out;
}

} // namespace kdsp
