#pragma once
// The eight items of the KDSP Special Config menu by the names the command line gives them, with
// the core's handler each one runs.

#include "core/options/OptionCommands.h"

#include <QString>

#include <array>

struct OptionItem {
    const char* name;        // as typed after "option"
    const char* description; // for --help
    void (OptionCommands::*handler)();
};

inline constexpr std::array<OptionItem, 8> kOptionItems{{
    {"thermo-100", "thermo protection at 100 %", &OptionCommands::TP100_Click},
    {"thermo-80", "thermo protection at 80 %", &OptionCommands::TP80_Click},
    {"thermo-60", "thermo protection at 60 %", &OptionCommands::TP60_Click},
    {"motor-protection-off", "motor protection off", &OptionCommands::MPoff_Click},
    {"soft-limit-fault", "soft limit with the fault signal", &OptionCommands::SLF_Click},
    {"soft-limit-no-fault", "soft limit without the fault signal", &OptionCommands::SLF_off_Click},
    {"pwm-dc", "PWM in DC mode", &OptionCommands::DCM_Click},
    {"pwm-ac", "PWM in AC mode", &OptionCommands::ACM_Click},
}};

// The item of that name, or nullptr.
inline const OptionItem* findOptionItem(const QString& name)
{
    for (const OptionItem& item : kOptionItems)
        if (name == QLatin1String(item.name))
            return &item;
    return nullptr;
}
