// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The processor time this thread has used. Unlike a wall clock it does not count the time the
// scheduler gave to other processes, so a bound on it holds on a loaded machine too.

#include <QtGlobal>

#include <time.h>

inline qint64 threadCpuNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
