// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the event loop for a while without spinning: the program's own wake-ups, not a test
// loop's polling, decide when it takes its input.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

// Lets what is queued (the receive events among it) run, for a number of passes.
inline void runPasses(int passes)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents();
}

inline void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU time (user and system) this process has used so far, in seconds.
inline double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The share of one core this process uses while the event loop idles for a while: an idle
// program uses next to nothing, one polling a dead descriptor a whole core.
inline double cpuShareWhileIdle(int ms)
{
    const double before = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    idleFor(ms);
    return (processCpuSeconds() - before) / (wall.nsecsElapsed() / 1e9);
}
