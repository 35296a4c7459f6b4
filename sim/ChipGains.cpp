// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChipGains.h"

#include "ChipTexts.h"
#include "HexDigits.h"
#include "KdspProtocol.h"
#include "ServoSignal.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace kdsp {

namespace {

constexpr std::array<GainRegister, 3> kGainRegisters{{
    {kKpAddress, "KP", "proportional gain", &ChipGains::kp, kMinKp, kMaxKp},
    {kKiAddress, "KI", "integral gain", &ChipGains::ki, 0x0000, 0xFFFF},
    {kKdAddress, "KD", "derivative gain", &ChipGains::kd, kMinKd, kMaxKd},
}};

// The hardest case for the loop's integration: the stiffest loop with the strongest damping,
// sampled at the slowest timing digit.
constexpr std::chrono::nanoseconds kSlowestSamplePeriod = kMaxTimingDigit * kSamplePeriodPerDigit;
static_assert(ServoSignal::integrationStable(static_cast<double>(kMaxKp) / kResetKp,
                                             static_cast<double>(kMaxKd) / kResetKd,
                                             kSlowestSamplePeriod));

constexpr std::size_t kHexBufferSize = 16;
constexpr int kAddressHexDigits = static_cast<int>(kWriteAddressDigits);
constexpr int kValueHexDigits = static_cast<int>(kWriteValueDigits);

struct RegisterWrite
{
    unsigned address = 0;
    std::uint16_t value = 0;
};

// The number written in `digits`, all of them hex; nothing if any is not.
std::optional<unsigned> parseHex(std::string_view digits)
{
    unsigned value = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * kHexBase + static_cast<unsigned>(digit);
    }
    return value;
}

std::optional<RegisterWrite> parseWrite(std::string_view command)
{
    constexpr std::size_t kAddressAt = 1;
    constexpr std::size_t kSeparatorAt = kAddressAt + kWriteAddressDigits;
    constexpr std::size_t kValueAt = kSeparatorAt + 1;
    if (command.size() != kWriteCommandLength || command.front() != kWriteRegister ||
        command[kSeparatorAt] != kWriteSeparator) {
        return std::nullopt;
    }
    const auto address = parseHex(command.substr(kAddressAt, kWriteAddressDigits));
    const auto value = parseHex(command.substr(kValueAt, kWriteValueDigits));
    if (!address || !value) {
        return std::nullopt;
    }
    return RegisterWrite{*address, static_cast<std::uint16_t>(*value)};
}

// "0x" and `digits` upper-case hex digits, as the listing writes addresses and values.
std::string hex(unsigned value, int digits)
{
    std::array<char, kHexBufferSize> text{};
    std::snprintf(text.data(), text.size(), "0x%0*X", digits, value);
    return text.data();
}

std::string refusal(const GainRegister& reg, std::uint16_t value)
{
    const std::string name(reg.name);
    const std::string range = hex(reg.low, kValueHexDigits) + ".." + hex(reg.high, kValueHexDigits);
    const std::string reason = reg.value == &ChipGains::kp && value == 0
                                   ? "the loop would not hold position (" + name + " " + range + ")"
                                   : "out of range " + range;
    return name + " " + hex(value, kValueHexDigits) + " refused: " + reason + std::string(kLineEnd);
}

} // namespace

std::span<const GainRegister> gainRegisters()
{
    return kGainRegisters;
}

std::optional<std::string> applyRegisterWrite(std::string_view command, ChipGains& gains)
{
    const std::optional<RegisterWrite> write = parseWrite(command);
    if (!write) {
        return std::nullopt;
    }
    for (const GainRegister& reg : kGainRegisters) {
        if (reg.address != write->address) {
            continue;
        }
        if (write->value < reg.low || write->value > reg.high) {
            return refusal(reg, write->value);
        }
        gains.*reg.value = write->value;
        return registerLine(reg.address, reg.name, write->value, reg.meaning);
    }
    const std::string reg = "Register " + hex(write->address, kAddressHexDigits);
    return reg + (write->address > kLastRegisterAddress ? " does not exist" : " is read-only") +
           std::string(kLineEnd);
}

double proportionalScale(const ChipGains& gains)
{
    return static_cast<double>(gains.kp) / kResetKp;
}

double derivativeScale(const ChipGains& gains)
{
    return static_cast<double>(gains.kd) / kResetKd;
}

} // namespace kdsp
