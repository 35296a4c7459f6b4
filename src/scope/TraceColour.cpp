#include "scope/TraceColour.h"

// In progress.
TraceColour::TraceColour(Fo& fo) : fo_(fo) {}
void TraceColour::Szin_Click(int) {}
