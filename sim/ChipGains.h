// SPDX-License-Identifier: GPL-3.0-or-later
// The loop gains a tuner writes with "W02 0180" and the like: KP, KI and KD, as the register
// listing shows them. They start at the chip's reset values each time the simulator starts.
//
// The simulated loop follows KP and KD (see ServoSignal::setLoopScales): its natural frequency
// grows with the square root of KP, and its velocity feedback is proportional to KD. KI is kept
// and listed but moves nothing: the servo signal has no integral action.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kdsp {

inline constexpr unsigned kKpAddress = 0x02;
inline constexpr unsigned kKiAddress = 0x03;
inline constexpr unsigned kKdAddress = 0x04;

inline constexpr std::uint16_t kResetKp = 0x0140;
inline constexpr std::uint16_t kResetKi = 0x0020;
inline constexpr std::uint16_t kResetKd = 0x0410;

// The values a write may set. KP 0 would leave the axis free to drift, so the loop would not
// hold position. 0x2000 rings at five times the reset frequency, 45 Hz, which the slowest timing
// digit still shows with five samples a cycle. KD 0x4000 damps the reset loop three times past
// critical. Within these bounds the loop's integration is stable at every timing digit.
inline constexpr std::uint16_t kMinKp = 0x0010;
inline constexpr std::uint16_t kMaxKp = 0x2000;
inline constexpr std::uint16_t kMinKd = 0x0000;
inline constexpr std::uint16_t kMaxKd = 0x4000;

struct ChipGains
{
    std::uint16_t kp = kResetKp;
    std::uint16_t ki = kResetKi;
    std::uint16_t kd = kResetKd;

    bool operator==(const ChipGains&) const = default;
};

// One writable register: where the listing shows it and what a write may set.
struct GainRegister
{
    unsigned address;
    std::string_view name;
    std::string_view meaning;
    std::uint16_t ChipGains::*value;
    std::uint16_t low;
    std::uint16_t high;
};

// KP, KI and KD, in the order of their addresses.
std::span<const GainRegister> gainRegisters();

// If `command` is a well-formed register write, sets the register when it is writable and the
// value within its bounds, and returns the one-line answer (ended CR LF): the register's line as
// the listing prints it, or why the write was refused (the register then keeps its value).
// Anything else leaves `gains` alone and returns nothing.
std::optional<std::string> applyRegisterWrite(std::string_view command, ChipGains& gains);

// KP and KD against their reset values: exactly 1.0 at reset, so the loop computes what it
// always has.
double proportionalScale(const ChipGains& gains);
double derivativeScale(const ChipGains& gains);

} // namespace kdsp
