// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial port with no device, for unit tests of the logic above the port: it records every
// open, close and write in order, lets a test feed received bytes, and can be told to fail.

#include "core/link/Comm.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class FakeComm : public Comm {
    Q_OBJECT

public:
    FakeComm();

    // The device's side: bytes arrive as if from the line (queued receive events follow).
    void receive(const QByteArray& bytes) { bytesArrived(bytes); }
    void raiseLineEvent(int code) { lineEventArrived(code); }
    void failDevice(int number) { deviceFailed(number, device, QStringLiteral("gone")); }

    // Everything written, in order, one entry per write.
    QList<QByteArray> writes;
    // A log of port actions in order: "open 3", "close", "write q\r", "flush".
    QStringList log;
    // All bytes written, joined.
    QByteArray written() const;

    // Port numbers that fail to open, with the number raised, and the system's reason written
    // for them (none when empty).
    QHash<int, int> openFailures;
    QString failureText;
    // The device every port number reaches.
    QString device = QStringLiteral("/dev/fake");
    QString deviceOf(int) const override { return device; }
    // When set, the next writes fail with this number (0: writes succeed).
    int writeFailure = 0;
    // Called after every write, so a test can answer like a chip.
    std::function<void(const QByteArray&)> onWrite;

    int opens = 0;
    int closes = 0;

protected:
    void openDevice() override;
    void closeDevice() override;
    void writeDevice(const QByteArray& bytes) override;
    void flushDeviceInput() override;
};
