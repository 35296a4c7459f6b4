// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --startup-probe: how long the program takes from its launch to a window on screen. Once the
// window has been painted for the first time the probe writes one line on standard output,
//   shown after 182 ms (code began 31 ms after launch)
// and ends the program. The launch time is the kernel's start time of the process (10 ms
// steps); the second figure says how much of that went before the program's own code ran
// (loading the libraries), measured from the start of static initialisation. Used by the
// start-up benchmark; nothing is stored and no port is opened.

#include <QObject>

class QWidget;

class StartupProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kOptionName = "startup-probe";

    // Watches the window (not owned); the probe becomes its child.
    explicit StartupProbe(QWidget& window);

    // Milliseconds since the kernel started this process, or -1 if /proc cannot say.
    static double msSinceLaunch();
    // Milliseconds since this program's static initialisation began.
    static double msSinceCodeBegan();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void report();

    bool reported_ = false;
};
