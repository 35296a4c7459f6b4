// SPDX-License-Identifier: GPL-3.0-or-later
// The options a service engineer can change with J1021..J1028, as the register listing and the
// fuse report show them. They start at the chip's power-on defaults.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kdsp {

enum class PwmMode { Dc, Ac };

inline constexpr int kThermoLimit100 = 100;
inline constexpr int kThermoLimit80 = 80;
inline constexpr int kThermoLimit60 = 60;

struct ChipOptions
{
    int thermoLimitCelsius = kThermoLimit60;
    // Switched off by J1024 until the chip is reset; no command switches it back on.
    bool motorProtection = true;
    bool softLimitSignalsFault = true;
    PwmMode pwmMode = PwmMode::Dc;

    bool operator==(const ChipOptions&) const = default;
};

// If `command` is one of the option commands, changes `options` and returns the one-line
// confirmation the chip answers (ended CR LF); otherwise leaves `options` alone and returns
// nothing.
std::optional<std::string> applyOptionCommand(std::string_view command, ChipOptions& options);

} // namespace kdsp
