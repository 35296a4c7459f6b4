// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/options/OptionCommands.h"

#include "core/Core.h"
#include "core/console/Listings.h"
#include "core/link/ChipCommands.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"

namespace {
const QByteArray& commandFor(Core::ChipOption option)
{
    switch (option) {
    case Core::ChipOption::Thermo100:
        return ChipCommand::kThermo100;
    case Core::ChipOption::Thermo80:
        return ChipCommand::kThermo80;
    case Core::ChipOption::Thermo60:
        return ChipCommand::kThermo60;
    case Core::ChipOption::MotorProtectionOff:
        return ChipCommand::kMotorProtectionOff;
    case Core::ChipOption::SoftLimitWithFault:
        return ChipCommand::kSoftLimitWithFault;
    case Core::ChipOption::SoftLimitWithoutFault:
        return ChipCommand::kSoftLimitWithoutFault;
    case Core::ChipOption::PwmDcMode:
        return ChipCommand::kPwmDcMode;
    case Core::ChipOption::PwmAcMode:
        break;
    }
    return ChipCommand::kPwmAcMode;
}
} // namespace

OptionCommands::OptionCommands(Core& core, Link& link) : core_(core), link_(link) {}

void OptionCommands::sendOption(const QByteArray& command)
{
    try {
        link_.closeIfOpen();
        // Set before the listing runs, so the answer to its "q" lands in the console (and is
        // wiped by the listing) instead of being taken as samples.
        core_.state.receiveMode = ModeConsole;
        core_.fetchListing(Core::Listing::Registers); // reports its own port errors and returns
        link_.pumpEvents(Wait::kOption); // the register listing fills the console meanwhile
        link_.sendKeepingState(command);
        Q_EMIT core_.optionSent(QString::fromLatin1(command));
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}

void OptionCommands::switchOption(Core::ChipOption option)
{
    sendOption(commandFor(option));
}
