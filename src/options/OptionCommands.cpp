#include "options/OptionCommands.h"

// In progress.
OptionCommands::OptionCommands(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void OptionCommands::sendOption(const QByteArray&) {}
void OptionCommands::TP100_Click() {}
void OptionCommands::TP80_Click() {}
void OptionCommands::TP60_Click() {}
void OptionCommands::MPoff_Click() {}
void OptionCommands::SLF_Click() {}
void OptionCommands::SLF_off_Click() {}
void OptionCommands::DCM_Click() {}
void OptionCommands::ACM_Click() {}
