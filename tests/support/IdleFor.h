// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the event loop for a while without spinning: the program's own wake-ups, not a test
// loop's polling, decide when it takes its input.

#include <QEventLoop>
#include <QTimer>

inline void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
