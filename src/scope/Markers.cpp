#include "scope/Markers.h"

// In progress.
Markers::Markers(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void Markers::Rajz_MouseMove(int, int, float, float) {}
void Markers::Rajz_MouseDown(int, int, float, float) {}
double Markers::sampleIndex(float) { return 0; }
double Markers::level(float) { return 0; }
