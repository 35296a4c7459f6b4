#include "console/Console.h"

// In progress.
Console::Console(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void Console::Command_GotFocus() {}
void Console::Command_LostFocus() {}
void Console::Text_Click() {}
void Console::Command_KeyPress(int) {}
