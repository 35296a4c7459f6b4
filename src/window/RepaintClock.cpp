// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/RepaintClock.h"

SteadyRepaintClock::SteadyRepaintClock(QObject* parent) : RepaintClock(parent)
{
    sinceStart_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &RepaintClock::wokeUp);
}

void SteadyRepaintClock::wakeAfter(int delayMs)
{
    if (!timer_.isActive())
        timer_.start(delayMs);
}
