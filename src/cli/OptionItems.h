// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eight items of the KDSP Special Config menu by the names the command line gives them, with
// the option each one switches.

#include "core/Core.h"

#include <QString>

#include <array>

struct OptionItem
{
    const char* name;        // as typed after "option"
    const char* description; // for --help, in UTF-8
    Core::ChipOption option;
};

inline constexpr std::array<OptionItem, 8> kOptionItems{{
    {"thermo-100", "thermo protection at 100 °C", Core::ChipOption::Thermo100},
    {"thermo-80", "thermo protection at 80 °C", Core::ChipOption::Thermo80},
    {"thermo-60", "thermo protection at 60 °C", Core::ChipOption::Thermo60},
    {"motor-protection-off", "motor protection off", Core::ChipOption::MotorProtectionOff},
    {"soft-limit-fault", "soft limit with the fault signal", Core::ChipOption::SoftLimitWithFault},
    {"soft-limit-no-fault", "soft limit without the fault signal",
     Core::ChipOption::SoftLimitWithoutFault},
    {"pwm-dc", "PWM in DC mode", Core::ChipOption::PwmDcMode},
    {"pwm-ac", "PWM in AC mode", Core::ChipOption::PwmAcMode},
}};

// The item of that name, or nullptr.
inline const OptionItem* findOptionItem(const QString& name)
{
    for (const OptionItem& item : kOptionItems)
        if (name == QLatin1String(item.name))
            return &item;
    return nullptr;
}
