// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/StartupProbe.h"

#include "core/link/QueuedCall.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QWidget>

#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace {
// Started before main() by static initialisation of this file.
const QElapsedTimer gCodeBegan = [] {
    QElapsedTimer timer;
    timer.start();
    return timer;
}();

// /proc/<pid>/stat: the start time is field 22, counted after the command name in parentheses
// (which may itself hold blanks), so the fields are counted from the last ')'.
constexpr int kStartTimeField = 22;
constexpr int kFirstFieldAfterName = 3;
constexpr double kMsPerSecond = 1000.0;
constexpr double kNsPerMs = 1e6;
} // namespace

StartupProbe::StartupProbe(QWidget& window) : QObject(&window)
{
    window.installEventFilter(this);
}

double StartupProbe::msSinceLaunch()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    const QList<QByteArray> fields = text.mid(nameEnd + 2).split(' ');
    const qsizetype index = kStartTimeField - kFirstFieldAfterName;
    if (fields.size() <= index)
        return -1;
    bool ok = false;
    const double startTicks = fields.at(index).toDouble(&ok);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    // The kernel counts the start time on the boot-time clock, suspend included.
    if (!ok || ticksPerSecond <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    const double nowMs = now.tv_sec * kMsPerSecond + now.tv_nsec / kNsPerMs;
    return nowMs - startTicks * kMsPerSecond / ticksPerSecond;
}

double StartupProbe::msSinceCodeBegan()
{
    return gCodeBegan.nsecsElapsed() / kNsPerMs;
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event)
{
    // The report waits for the event loop's next turn, so the first paint has finished.
    if (event->type() == QEvent::Paint && !reported_) {
        reported_ = true;
        queueCall(this, [this] { report(); });
    }
    return QObject::eventFilter(watched, event);
}

void StartupProbe::report()
{
    const double sinceCode = msSinceCodeBegan();
    const double sinceLaunch = msSinceLaunch();
    std::printf("shown after %.0f ms (code began %.0f ms after launch)\n", sinceLaunch,
                sinceLaunch - sinceCode);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
