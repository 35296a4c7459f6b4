// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PID frequency detect: the chip's stream is stopped, then the timing query is sent without a
// scope run. The dispatcher turns the reply into the time grid and PID frequency readouts.

class Core;
class Link;

class PidDetect
{
public:
    PidDetect(Core& core, Link& link);

    // Ends with the port closed, the lamp red, the surface cleared and receiveMode at
    // ModeTiming; nothing restarts the capture. A port error ends it at the failing step.
    void detect();

private:
    Core& core_;
    Link& link_;
};
