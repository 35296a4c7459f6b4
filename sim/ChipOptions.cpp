// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChipOptions.h"

#include "KdspProtocol.h"

#include <array>

namespace kdsp {

namespace {

struct OptionCommand
{
    std::string_view command;
    void (*apply)(ChipOptions&);
    std::string_view confirmation;
};

const std::array<OptionCommand, 8> kOptionCommands{{
    {kThermo100, [](ChipOptions& o) { o.thermoLimitCelsius = kThermoLimit100; },
     "Thermo protection set to 100 C"},
    {kThermo80, [](ChipOptions& o) { o.thermoLimitCelsius = kThermoLimit80; },
     "Thermo protection set to 80 C"},
    {kThermo60, [](ChipOptions& o) { o.thermoLimitCelsius = kThermoLimit60; },
     "Thermo protection set to 60 C"},
    {kMotorProtectionOff, [](ChipOptions& o) { o.motorProtection = false; },
     "Motor protection off until reset"},
    {kSoftLimitWithFault, [](ChipOptions& o) { o.softLimitSignalsFault = true; },
     "Soft limit with fault signal"},
    {kSoftLimitWithoutFault, [](ChipOptions& o) { o.softLimitSignalsFault = false; },
     "Soft limit without fault signal"},
    {kPwmDc, [](ChipOptions& o) { o.pwmMode = PwmMode::Dc; }, "PWM DC mode"},
    {kPwmAc, [](ChipOptions& o) { o.pwmMode = PwmMode::Ac; }, "PWM AC mode"},
}};

} // namespace

std::optional<std::string> applyOptionCommand(std::string_view command, ChipOptions& options)
{
    for (const OptionCommand& option : kOptionCommands) {
        if (option.command == command) {
            option.apply(options);
            return std::string(option.confirmation) + std::string(kLineEnd);
        }
    }
    return std::nullopt;
}

} // namespace kdsp
