#include "pid/PidDetect.h"

// In progress.
PidDetect::PidDetect(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void PidDetect::PID_Click() {}
