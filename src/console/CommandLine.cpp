#include "console/CommandLine.h"

// In progress.
CommandLine::CommandLine(QWidget* parent) : QLineEdit(parent) {}
int CommandLine::backColour() const { return 0; }
void CommandLine::setBackColour(int) {}
void CommandLine::rememberCommand(const QString&) {}
QStringList CommandLine::history() const { return {}; }
