// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGINT and SIGTERM turned into a Qt signal, so a capture ends with the chip's stop command and
// complete output instead of dying between two writes. The handler only writes the signal's
// number into a pipe (the one thing safe to do there); a socket notifier on the pipe's other end
// emits received() from the event loop.

#include <QObject>

class QSocketNotifier;

class SignalWatch : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; the previous ones come back when this object goes.
    explicit SignalWatch(QObject* parent = nullptr);
    ~SignalWatch() override;

    bool isValid() const { return notifier_ != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};
