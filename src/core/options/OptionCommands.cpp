#include "core/options/OptionCommands.h"

#include "core/Core.h"
#include "core/console/Listings.h"
#include "core/link/ChipCommands.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"

OptionCommands::OptionCommands(Core& core, Link& link) : core_(core), link_(link) {}

void OptionCommands::sendOption(const QByteArray& command)
{
    try {
        link_.closeIfOpen();
        // Set before the listing runs, so the answer to its "q" lands in the console (and is
        // wiped by the listing) instead of being taken as samples.
        core_.state.receiveMode = ModeConsole;
        core_.listings().Command1_Click(); // reports its own port errors and returns
        link_.pumpEvents(Wait::kOption); // the register listing fills the console meanwhile
        link_.sendKeepingState(command);
    } catch (const CommError& error) {
        link_.reportPortError(error.number());
    }
}

void OptionCommands::TP100_Click()
{
    sendOption(ChipCommand::kThermo100);
}
void OptionCommands::TP80_Click()
{
    sendOption(ChipCommand::kThermo80);
}
void OptionCommands::TP60_Click()
{
    sendOption(ChipCommand::kThermo60);
}
void OptionCommands::MPoff_Click()
{
    sendOption(ChipCommand::kMotorProtectionOff);
}
void OptionCommands::SLF_Click()
{
    sendOption(ChipCommand::kSoftLimitWithFault);
}
void OptionCommands::SLF_off_Click()
{
    sendOption(ChipCommand::kSoftLimitWithoutFault);
}
void OptionCommands::DCM_Click()
{
    sendOption(ChipCommand::kPwmDcMode);
}
void OptionCommands::ACM_Click()
{
    sendOption(ChipCommand::kPwmAcMode);
}
