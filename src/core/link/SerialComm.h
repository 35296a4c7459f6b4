#pragma once
// The program's serial port: Comm over a QSerialPort at 115200 8N1 without flow control. The
// port number reaches a device through the PortMap at every open.
//
// Contracts beyond Comm's:
// - An open that fails raises 8002 (no number, no device mapped, device missing, not a device,
//   no access), 8005 (held by another program) or 8015 (the device refuses the line settings),
//   and writes one line on standard error with the port number, the device and the reason.
// - A newly opened port starts empty: bytes that reached the driver while the port was closed
//   are dropped (a pseudo-terminal keeps them across a close and reopen).
// - A read failure while open (device unplugged, simulator gone) closes the port at once and
//   reports through deviceLost(8020); nothing is left spinning on a dead descriptor. A write
//   that fails closes the port too and raises 8020 to the writing handler, which reports it.
// - A write is handed to the driver before write returns, and a close waits a short, bounded
//   time for what is still queued, so a command sent just before closing (the stop command)
//   reaches the chip whole.
// - At most Comm::kMaxHeldInput bytes wait for the handlers, and QSerialPort holds at most
//   kDeviceReadBuffer more; beyond that the device is left unread until there is room again.
// - A close takes the device away when control returns to the event loop. A reopen of the same
//   device before that (the scope closes and reopens the port around every block) keeps the
//   device open and only drops what arrived meanwhile: the handlers see a close and a reopen,
//   the line keeps its state, and no lock file is made and removed 38 times a second.

#include "core/link/Comm.h"

#include <QSerialPort>

#include <chrono>
#include <optional>

class PortMap;

class SerialComm : public Comm
{
    Q_OBJECT

public:
    static constexpr qint32 kBaudRate = 115200;
    // The longest a close waits for queued bytes to reach the driver.
    static constexpr std::chrono::milliseconds kCloseDrainBound{50};
    // QSerialPort's own buffer stops reading the device when it holds this much; with the
    // port's held input (Comm::kMaxHeldInput) it bounds what the program holds.
    static constexpr qint64 kDeviceReadBuffer = 64 * 1024;

    explicit SerialComm(PortMap& ports, QObject* parent = nullptr);
    ~SerialComm() override;

    // The device path tried at the last open (empty before the first, or when none was mapped).
    QString devicePath() const { return device_; }

protected:
    void openDevice() override;
    void closeDevice() override;
    void writeDevice(const QByteArray& bytes) override;
    void flushDeviceInput() override;
    void applyBreak(bool on) override;
    void resumeDeviceInput() override;

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // Writes the line on standard error and throws the number.
    [[noreturn]] void refuse(int number, const QString& reason) const;
    // Why the open device failed, in words for the standard-error line.
    QString failureReason(QSerialPort::SerialPortError error) const;
    bool deviceHungUp() const;
    void drainOutput();
    // Carries out a close that is still pending.
    void finishClose();

    PortMap& ports_;
    QSerialPort port_;
    QString device_;
    QString openDevice_;        // the device the QSerialPort has open
    bool closePending_ = false; // closed for the handlers, not yet for the device
    bool writing_ = false;
    std::optional<QString> writeFailure_; // why the device failed during the current write
};
