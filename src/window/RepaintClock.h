// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a throttled repaint asks of time: the present and one wake-up after a delay. The view
// runs on the system's monotonic clock and a timer; a test hands in a clock that moves only when
// told to, so that how often a view repaints does not depend on how busy the machine is.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class RepaintClock : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Milliseconds since some fixed point; never goes back.
    virtual qint64 nowMs() const = 0;
    // Emits wokeUp() once, delayMs from now (0: at the next turn of the event loop). Asking
    // again while a wake-up is pending changes nothing.
    virtual void wakeAfter(int delayMs) = 0;
    virtual bool wakeUpPending() const = 0;

Q_SIGNALS:
    void wokeUp();
};

// The system's monotonic clock and a single-shot timer.
class SteadyRepaintClock : public RepaintClock
{
    Q_OBJECT

public:
    explicit SteadyRepaintClock(QObject* parent = nullptr);

    qint64 nowMs() const override { return sinceStart_.elapsed(); }
    void wakeAfter(int delayMs) override;
    bool wakeUpPending() const override { return timer_.isActive(); }

private:
    QElapsedTimer sinceStart_;
    QTimer timer_;
};
