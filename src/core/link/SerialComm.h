// SPDX-License-Identifier: GPL-3.0-or-later
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
// - The program wakes for input only when it can matter. The driver is asked (the terminal's
//   VMIN count) to report the device readable only once as many bytes wait as the next receive
//   event needs (at most 255): a scope block is taken in two wake-ups, not one per chunk the
//   adapter delivers. While text streams in for the console, the driver collects up to
//   kStreamBatch bytes between wake-ups. A timer looks anyway when the bytes asked for are late
//   (twice their time on the line, plus kLateSlack), and then goes back to waking for every byte
//   until more comes: nothing waits unseen in the driver. What the handlers see is unchanged:
//   the same bytes, in order, with the same thresholds and read lengths.
// - The driver still wakes a program that watches the device for every chunk the adapter
//   delivers, even when too few bytes have come to report it readable. So while the bytes asked
//   for cannot all be there yet (their time on the line), the device is not watched at all; a
//   timer reads them when they are due, or takes up the watch if some are still missing (turning
//   the watch on and off costs the event loop wake-ups of its own). An adapter hands bytes over
//   some time after they crossed the line (its chunk period); the timer waits that long too, as
//   learnt from the last blocks (at most kMaxHandOverLag), so that one wake-up usually finds all
//   of them. Should QSerialPort ever keep its read notifier out of reach, the device is simply
//   watched all the time.
// - Streaming console text is not watched either: every kStreamCollectTime, whatever came is
//   taken in one wake-up (each character is an event of its own however the bytes are read).
//   A collection that finds only a few bytes ends the stream, and the device is watched for
//   every byte again.

#include "core/link/Comm.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>

#include <chrono>
#include <optional>

class PortMap;
class QSocketNotifier;

class SerialComm : public Comm
{
    Q_OBJECT

public:
    static constexpr qint32 kBaudRate = 115200;
    // The longest a close waits for queued bytes to reach the driver.
    static constexpr std::chrono::milliseconds kCloseDrainBound{50};
    // QSerialPort's own buffer stops reading the device when it holds this much; with the
    // port's held input (Comm::kMaxHeldInput) it bounds what the program holds.
    static constexpr qint64 kDeviceReadBuffer = qint64{64} * 1024;
    // The most bytes the driver can be asked to collect before it wakes the program.
    static constexpr int kMaxWakeCount = 255;
    // Console text: bytes the driver collects per wake-up while a stream is coming (22 ms at the
    // line rate), when the device cannot be left unwatched.
    static constexpr int kStreamBatch = 255;
    // Console text: while a stream is coming, everything that came in this long is taken in one
    // wake-up, 12.5 times a second (a view shows each batch as it comes: text flooding in is
    // shown at that rate, and at most this late; typing and short answers are not collected).
    static constexpr std::chrono::milliseconds kStreamCollectTime{80};
    // Two wake-ups with bytes closer together than this mean a stream is coming.
    static constexpr std::chrono::milliseconds kStreamGap{20};
    static constexpr std::chrono::milliseconds kLateSlack{5};
    // The device is left unwatched only when the bytes asked for need at least this many more
    // bytes' time on the line (2.8 ms): shorter waits are not worth a timer.
    static constexpr int kQuietFrom = 32;
    // The longest an adapter is taken to hold bytes back after their time on the line; bytes
    // later than that mean the stream paused.
    static constexpr std::chrono::milliseconds kMaxHandOverLag{8};

    explicit SerialComm(PortMap& ports, QObject* parent = nullptr);
    ~SerialComm() override;

    // The device path tried at the last open (empty before the first, or when none was mapped).
    QString devicePath() const { return device_; }
    QString deviceOf(int number) const override;

    // How often arriving bytes have woken the program since it started: what the wake-up tuning
    // saves shows here.
    quint64 wakeUps() const { return wakeUps_; }

protected:
    void openDevice() override;
    void closeDevice() override;
    void writeDevice(const QByteArray& bytes) override;
    void flushDeviceInput() override;
    void applyBreak(bool on) override;
    void resumeDeviceInput() override;
    void receiveSettled() override;

private:
    void onReadyRead();
    // Takes what came and sets up the next wait; `collected`: at the end of a stream collection.
    void handleInput(bool collected);
    // Hands on what QSerialPort has read and what else waits in the driver, as room allows.
    void takeInput();
    // Sets how many bytes the driver collects before the next wake-up, and the late timer.
    void tuneWakeups();
    void setWakeCount(int count);
    // Leaves the device unwatched until `wanted` bytes can be in the driver.
    void quietUntilDue(qsizetype wanted);
    // Leaves the device unwatched while console text streams in, and takes it all at the end of
    // kStreamCollectTime. False when the device cannot be left unwatched.
    bool collectStream();
    void watchDevice();
    // The bytes awaited start again from none (a flush, a reopen): the wait running is dropped,
    // and the settle that Comm always makes next decides how to wait, watching the device or not.
    void forgetWait();
    void onQuietOver();
    void learnHandOverLag();
    // The bytes in the driver, not yet read (-1: not known).
    int bytesWaiting() const;
    QSocketNotifier* readNotifier() const;
    void onInputLate();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // Writes the line on standard error and throws the number.
    [[noreturn]] void refuse(int number, const QString& reason) const;
    // Why the open device failed, in words for the standard-error line.
    QString failureReason(QSerialPort::SerialPortError error) const;
    bool deviceHungUp() const;
    // A read found nothing where the line had said there was something: no failure.
    bool foundNothingToRead(QSerialPort::SerialPortError error) const;
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
    quint64 wakeUps_ = 0;
    int wakeCount_ = -1;     // the driver's VMIN as last set (-1: not known)
    bool streaming_ = false; // console text is streaming in
    QElapsedTimer lastWake_; // when bytes last woke the program
    QTimer lateTimer_;
    QTimer quietTimer_; // runs while the device is left unwatched
    // QSerialPort's read notifier, found after an open.
    mutable QPointer<QSocketNotifier> readNotifier_;
    double handOverLagMs_ = 0;  // how long after their line time the adapter hands bytes over
    qsizetype quietWanted_ = 0; // the bytes the quiet timer waits for
    double quietLineMs_ = 0;    // their time on the line
    bool quietMissed_ = false;  // the quiet timer found fewer
    bool collecting_ = false;   // the quiet timer is collecting streaming text
    QElapsedTimer quietClock_;  // since the quiet timer started
};
