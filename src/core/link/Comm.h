// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial port as the handlers see it: a port number, open/close, the receive settings, a
// receive buffer and one receive event. The receive logic (threshold, read length, null
// discarding, when the event is raised) lives here; a subclass supplies only the device: the real
// QSerialPort one for the program, a small fake for unit tests.

#include "core/link/CommError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class Comm : public QObject {
    Q_OBJECT

public:
    // Event codes read from commEvent() when onComm() is raised.
    static constexpr int kEvReceive = 2;
    static constexpr int kEvCts = 3;
    static constexpr int kEvDsr = 4;
    static constexpr int kEvCd = 5;
    static constexpr int kEvRing = 6;
    static constexpr int kEventBreak = 1001;

    enum class InputMode { Text, Binary };

    // The most received bytes held for the handlers. Beyond it the device is not read until the
    // handlers have taken what is held down to half of it; the kernel's own buffer and the
    // sender's flow take the rest. The line carries 11.5 KB a second, but a device that sends far
    // faster (a USB device with a native interface) must not make memory grow without end.
    static constexpr qsizetype kMaxHeldInput = 1 << 20;

    explicit Comm(QObject* parent = nullptr);
    ~Comm() override;

    // The port number used by the next open; kept until changed (port 1 until a first number).
    int commPort() const { return commPort_; }
    void setCommPort(int number) { commPort_ = number; }

    // Why the port number is 0, for the standard-error line of an open that has no port.
    static inline const QString kNoPortChosen = QStringLiteral("No port chosen");
    QString noPortReason() const { return noPortReason_; }
    void setNoPortReason(const QString& reason) { noPortReason_ = reason; }

    bool portOpen() const { return open_; }

    // The device a port number reaches, for telling the user (empty: none, or not known).
    virtual QString deviceOf(int /*number*/) const { return QString(); }
    // The system's reason for the last failure written on standard error; emptied by an open
    // that succeeds, so it never explains a later failure that wrote no line.
    QString failureReason() const { return failureReason_; }
    // Opens or closes the device. Opening an open port or closing a closed one does nothing.
    // A newly opened port starts with an empty receive buffer. Throws CommError.
    void setPortOpen(bool open);

    // The receive event is raised while at least this many bytes wait; 0 raises none.
    int rThreshold() const { return rThreshold_; }
    void setRThreshold(int count);

    // The most bytes one input() returns; 0 means everything waiting.
    int inputLen() const { return inputLen_; }
    void setInputLen(int count) { inputLen_ = count; }

    // When on, zero bytes are dropped as they arrive.
    bool nullDiscard() const { return nullDiscard_; }
    void setNullDiscard(bool on) { nullDiscard_ = on; }

    // Kept for the record: the line is 8N1 without parity, so nothing is ever replaced.
    QByteArray parityReplace() const { return parityReplace_; }
    void setParityReplace(const QByteArray& text) { parityReplace_ = text; }

    InputMode inputMode() const { return inputMode_; }
    void setInputMode(InputMode mode) { inputMode_ = mode; }

    // Bytes waiting in the receive buffer. Writing 0 empties it, and the device's own input
    // queue too while the port is open; it is allowed on a closed port and raises nothing.
    int inBufferCount() const { return static_cast<int>(buffer_.size() - bufferHead_); }
    void setInBufferCount(int count);

    bool breakState() const { return break_; }
    void setBreak(bool on);

    // Writes the bytes as one write. Throws CommError (8018 closed, 8020 failed).
    void output(const QByteArray& bytes);
    // Takes at most inputLen() bytes from the receive buffer (possibly none). Throws 8018 closed.
    QByteArray input();

    // Ends the port's use for good, as the program closes: the port is closed and stays closed.
    // From then on an open does nothing and a write is dropped, without an error, so a handler
    // still running its steps after the shutdown's stop command puts nothing on the line.
    void retire();
    bool retired() const { return retired_; }

    // The code of the event being raised.
    int commEvent() const { return commEvent_; }

    // Each failure is told in one line naming the port, its device and the system's reason
    // ("Comm 33 (/dev/ttyUSB0): Permission denied (is the user in the dialout group?)"). Untaken,
    // the line goes to standard error under the window's name; a front-end that tells a failure
    // together with its report (the command-line program) takes the lines instead.
    using FailureTaker = std::function<void(const QString& failure)>;
    void takeFailures(FailureTaker taker) { failureTaker_ = std::move(taker); }

Q_SIGNALS:
    // The receive event. Always raised from a queued call on the owning thread, never from inside
    // a device signal, so a handler may close and reopen the port.
    void onComm();
    // The device failed while the port was open (unplugged, simulator gone); the port is closed.
    void deviceLost(int errorNumber);

protected:
    // Device layer. openDevice throws CommError; the port number is commPort().
    virtual void openDevice() = 0;
    virtual void closeDevice() = 0;
    // Must hand the bytes to the device or throw CommError.
    virtual void writeDevice(const QByteArray& bytes) = 0;
    // Drops what the device has received but not yet delivered; also once after every open.
    virtual void flushDeviceInput() {}
    virtual void applyBreak(bool /*on*/) {}

    // For subclasses: bytes came from the device.
    void bytesArrived(QByteArray bytes);
    // For subclasses: how many more bytes bytesArrived() should be given now. A device layer
    // reads no more than this and calls inputHeldBack() when it leaves bytes unread.
    qsizetype inputRoom() const;
    void inputHeldBack();
    // Called from a queued call once the handlers have made room after inputHeldBack(): the
    // device layer reads what waits.
    virtual void resumeDeviceInput() {}
    // Called whenever the handlers have taken what they will for now, and after an open, an
    // emptied buffer or a new threshold: a device layer may look at bytesUntilEvent() to learn
    // how much input can matter before the next receive event.
    virtual void receiveSettled() {}
    // How many more bytes must arrive before a receive event can be raised: at least 1; 1 also
    // when no event is set up, since a counted wait may be looking at the buffer.
    qsizetype bytesUntilEvent() const;
    // For subclasses: a line event (CTS change, break, ...) to be raised with the given code.
    void lineEventArrived(int code);
    // For subclasses: the device failed while open. Closes the port, writes one line on stderr
    // and reports through deviceLost(); later failures of the same session are not reported.
    void deviceFailed(int errorNumber, const QString& device, const QString& reason);

    // The failure's line (see takeFailures), naming the port number, its device and the reason.
    void logFailure(const QString& device, const QString& reason) const;

private:
    void closeDroppingInput();
    void scheduleReceiveCheck();
    void resumeInputIfRoom();
    void raiseReceiveIfDue();
    void raiseReceiveEvents();

    int commPort_ = 1;
    bool open_ = false;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    bool nullDiscard_ = false;
    QByteArray parityReplace_ = "?";
    InputMode inputMode_ = InputMode::Text;
    bool break_ = false;
    bool retired_ = false;
    QString noPortReason_ = kNoPortChosen;
    mutable QString failureReason_; // kept by logFailure
    int commEvent_ = 0;
    QByteArray buffer_;
    qint64 bufferHead_ = 0; // bytes of buffer_ already taken by input()
    quint64 openGeneration_ = 0;
    bool checkPending_ = false;
    bool inputHeldBack_ = false;
    bool resumePending_ = false;
    FailureTaker failureTaker_;
};
