// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches how long the event loop goes without turning: a short repeating timer notes the time
// between two of its runs. On a loaded machine much of a long gap can be time in which this
// thread was ready but the scheduler ran other processes; the kernel counts that time
// (/proc/thread-self/schedstat, time waited on a run queue), so the probe also gives each gap
// without it: how long the program itself held its loop, working or blocked. Where the kernel
// keeps no such count, the two figures are the same. A third figure is the processor time the
// thread used between two turns: the work that held the loop, which neither other processes
// nor a stolen processor on a virtual machine inflate.

#include "support/ThreadCpuClock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

class LoopProbe
{
public:
    explicit LoopProbe(int intervalMs) : intervalMs_(intervalMs)
    {
        schedstat_ = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { turned(); });
    }
    ~LoopProbe()
    {
        if (schedstat_ >= 0)
            ::close(schedstat_);
    }
    LoopProbe(const LoopProbe&) = delete;
    LoopProbe& operator=(const LoopProbe&) = delete;

    // Call on the thread whose loop is watched.
    void start()
    {
        started_.start();
        sinceLast_.start();
        lastWaitNs_ = runQueueWaitNs();
        lastCpuNs_ = threadCpuNs();
        timer_.start(intervalMs_);
    }
    void stop() { timer_.stop(); }

    // The longest time between two turns, as a clock on the wall sees it.
    qint64 largestGapMs() const { return largestGapMs_; }
    // The longest time between two turns less the time the thread waited for a processor.
    double largestHeldMs() const { return largestHeldMs_; }
    // When the longest held gap ended, counted from start().
    qint64 largestHeldEndedAtMs() const { return largestHeldEndedAtMs_; }
    // The most processor time the thread used between two turns.
    double largestBusyMs() const { return largestBusyMs_; }
    qint64 largestBusyEndedAtMs() const { return largestBusyEndedAtMs_; }
    int turns() const { return turns_; }

private:
    void turned()
    {
        const qint64 gapNs = sinceLast_.nsecsElapsed();
        sinceLast_.start();
        const qint64 waitNs = runQueueWaitNs();
        const double heldMs = (gapNs - (waitNs - lastWaitNs_)) / 1e6;
        lastWaitNs_ = waitNs;
        const qint64 cpuNs = threadCpuNs();
        const double busyMs = (cpuNs - lastCpuNs_) / 1e6;
        lastCpuNs_ = cpuNs;
        if (busyMs > largestBusyMs_) {
            largestBusyMs_ = busyMs;
            largestBusyEndedAtMs_ = started_.elapsed();
        }
        largestGapMs_ = std::max(largestGapMs_, gapNs / 1'000'000);
        if (heldMs > largestHeldMs_) {
            largestHeldMs_ = heldMs;
            largestHeldEndedAtMs_ = started_.elapsed();
        }
        ++turns_;
    }

    // Nanoseconds this thread has spent ready to run but waiting for a processor; 0 when the
    // kernel does not say.
    qint64 runQueueWaitNs() const
    {
        char text[96] = {};
        if (schedstat_ < 0 || ::pread(schedstat_, text, sizeof text - 1, 0) <= 0)
            return 0;
        long long onCpu = 0;
        long long waited = 0;
        return std::sscanf(text, "%lld %lld", &onCpu, &waited) == 2 ? waited : 0;
    }

    int intervalMs_;
    int schedstat_ = -1;
    QTimer timer_;
    QElapsedTimer started_;
    QElapsedTimer sinceLast_;
    qint64 lastWaitNs_ = 0;
    qint64 largestGapMs_ = 0;
    double largestHeldMs_ = 0;
    qint64 largestHeldEndedAtMs_ = 0;
    qint64 lastCpuNs_ = 0;
    double largestBusyMs_ = 0;
    qint64 largestBusyEndedAtMs_ = 0;
    int turns_ = 0;
};
