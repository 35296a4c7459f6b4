#include "console/SetupFile.h"

// In progress.
SetupFile::SetupFile(Fo& fo) : fo_(fo) {}
void SetupFile::Ment_Click() {}
