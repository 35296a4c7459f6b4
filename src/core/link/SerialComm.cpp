// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/SerialComm.h"

#include "core/link/DeviceAccess.h"
#include "core/link/PortMap.h"
#include "core/link/PortSurvey.h"
#include "core/link/QueuedCall.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {
const QString kNoDeviceMapped =
    QStringLiteral("No device for this port number (map one in the [Ports] settings)");
const QString kHeldElsewhere = QStringLiteral(" (is another program using the port?)");
const QString kInParentheses = QStringLiteral(" (%1)");
const QString kHungUp =
    QStringLiteral("Device hung up (unplugged, or the program serving it ended)");
const QString kReadFailed = QStringLiteral("Read failed: ");
const QString kWriteFailed = QStringLiteral("Write failed: ");
const QString kNotWritable = QStringLiteral("Port not writable");

// What an open refused by QSerialPort means for the handlers. Once the path is known to exist
// and be accessible, a permission error comes from QSerialPort's lock file or from the driver's
// exclusive flag (EBUSY): another program holds the port.
int openErrorNumber(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::PermissionError:
        return CommErrorNumber::PortInUse;
    case QSerialPort::UnsupportedOperationError:
        return CommErrorNumber::BadSettings;
    default:
        return CommErrorNumber::InvalidPort;
    }
}

// One byte's time on the line at 115200 8N1: ten bits.
constexpr double kByteLineTimeMs = 10.0 * 1000.0 / SerialComm::kBaudRate;
// Up to this wake-up count the driver hands out everything waiting in one read.
constexpr int kWholeReadCount = 64;
// Read from the driver in pieces of this size.
constexpr qint64 kDrainChunk = 4096;

// Who holds the device, as far as this user can tell, for the reason of a refused open.
QString heldBy(const QString& device)
{
    const QList<PortHolder> holders = PortSurvey::holdersOf(device);
    return holders.isEmpty() ? kHeldElsewhere
                             : kInParentheses.arg(PortSurvey::heldByText(holders));
}

bool meansDeviceFailed(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError ||
           error == QSerialPort::WriteError;
}
} // namespace

SerialComm::SerialComm(PortMap& ports, QObject* parent) : Comm(parent), ports_(ports)
{
    port_.setReadBufferSize(kDeviceReadBuffer);
    connect(&port_, &QSerialPort::readyRead, this, &SerialComm::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialComm::onErrorOccurred);
    lateTimer_.setSingleShot(true);
    connect(&lateTimer_, &QTimer::timeout, this, &SerialComm::onInputLate);
    quietTimer_.setSingleShot(true);
    quietTimer_.setTimerType(Qt::PreciseTimer);
    connect(&quietTimer_, &QTimer::timeout, this, &SerialComm::onQuietOver);
}

SerialComm::~SerialComm()
{
    // The port is a member: it outlives this body, and what it signals while closing must not
    // reach a half-destroyed port object.
    disconnect(&port_, nullptr, this, nullptr);
    if (port_.isOpen()) {
        drainOutput();
        port_.close();
    }
}

QString SerialComm::deviceOf(int number) const
{
    return number > 0 ? ports_.devicePath(number) : QString();
}

void SerialComm::openDevice()
{
    device_ = commPort() > 0 ? ports_.devicePath(commPort()) : QString();
    if (commPort() <= 0)
        refuse(CommErrorNumber::InvalidPort, noPortReason());
    if (device_.isEmpty())
        refuse(CommErrorNumber::InvalidPort, kNoDeviceMapped);
    // The device is still open, within the same turn of the event loop: it only needs its line
    // still up (an unplugged adapter or a vanished simulator hangs it up); otherwise it is
    // opened afresh and reports what is wrong.
    // What arrived while closed is dropped once, by Comm's flush after the open: the simulated
    // chip takes that flush to mean the block before has been taken, so there is only one.
    if (closePending_ && device_ == openDevice_ && port_.isOpen() && !deviceHungUp()) {
        closePending_ = false;
        forgetWait();
        return;
    }
    finishClose();
    if (const std::optional<DeviceProblem> problem = checkDeviceAccess(device_))
        refuse(problem->number, problem->reason);

    // The settings go in before the open: QSerialPort applies them while opening, so a device
    // that refuses them fails the open itself. On a pseudo-terminal 8N1 is accepted as it is
    // (it refuses only parity and modem-line requests, which this program never makes).
    port_.setPortName(device_);
    port_.setBaudRate(kBaudRate);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const int number = openErrorNumber(port_.error());
        const QString reason = number == CommErrorNumber::PortInUse
                                   ? port_.errorString() + heldBy(device_)
                                   : port_.errorString();
        refuse(number, reason);
    }
    openDevice_ = device_;
    wakeCount_ = -1;
    streaming_ = false;
}

void SerialComm::closeDevice()
{
    if (!port_.isOpen() || closePending_)
        return;
    closePending_ = true;
    queueCall(this, [this] { finishClose(); });
}

void SerialComm::finishClose()
{
    if (!closePending_)
        return;
    closePending_ = false;
    lateTimer_.stop();
    forgetWait();
    if (!port_.isOpen())
        return;
    drainOutput();
    port_.close();
}

void SerialComm::writeDevice(const QByteArray& bytes)
{
    if (!port_.isOpen() || !port_.isWritable()) {
        logFailure(device_, kNotWritable);
        throw CommError(CommErrorNumber::DeviceFailed);
    }
    writeFailure_.reset();
    writing_ = true;
    const qint64 queued = port_.write(bytes);
    // QSerialPort only queues a write until its next event-loop pass; a handler may close the
    // port before it yields, so the bytes go to the driver now (without blocking).
    if (queued == bytes.size())
        port_.flush();
    writing_ = false;
    if (queued != bytes.size() && !writeFailure_)
        writeFailure_ = deviceHungUp() ? kHungUp : kWriteFailed + port_.errorString();
    if (!writeFailure_)
        return;
    // The handler hears of this failure from the exception alone: one failure, one report.
    logFailure(device_, *writeFailure_);
    writeFailure_.reset();
    setPortOpen(false);
    throw CommError(CommErrorNumber::DeviceFailed);
}

void SerialComm::flushDeviceInput()
{
    if (!port_.isOpen())
        return;
    port_.clear(QSerialPort::Input);
    forgetWait();
}

void SerialComm::applyBreak(bool on)
{
    if (port_.isOpen())
        port_.setBreakEnabled(on);
}

void SerialComm::onReadyRead()
{
    handleInput(false);
}

void SerialComm::handleInput(bool collected)
{
    // Only handed on: the receive event is raised later from a queued call, never from inside
    // this signal, because a handler may close and reopen the port.
    const qsizetype before = inBufferCount();
    takeInput();
    const qsizetype taken = inBufferCount() - before;
    if (taken > 0) {
        ++wakeUps_;
        learnHandOverLag();
        streaming_ = lastWake_.isValid() && lastWake_.elapsed() < kStreamGap.count();
        lastWake_.start();
    }
    // A collection that found a few bytes' worth or less: the stream has ended.
    if (collected)
        streaming_ = taken >= kQuietFrom;
    tuneWakeups();
}

void SerialComm::takeInput()
{
    qint64 room = inputRoom();
    QByteArray bytes;
    if (room > 0 && port_.bytesAvailable() > 0) {
        // What QSerialPort has read comes first. A read asking for more than it holds also lets
        // it read the device again after its own buffer had filled. (A read of nothing would
        // only make it watch the device again, unasked.)
        bytes = port_.read(room);
        room -= bytes.size();
    }
    // QSerialPort reads once per wake-up, and the driver hands out at most 64 bytes a read while
    // it is collecting more than that: the rest is read here, so none of it waits unseen. A
    // failing device is left to QSerialPort, which finds the failure at its next wake-up.
    const int fd = static_cast<int>(port_.handle());
    while (room > 0 && fd >= 0 && wakeCount_ > kWholeReadCount && port_.bytesAvailable() == 0) {
        const qsizetype at = bytes.size();
        const qint64 wanted = std::min(room, kDrainChunk);
        bytes.resize(at + wanted);
        const ssize_t count = ::read(fd, bytes.data() + at, static_cast<size_t>(wanted));
        bytes.resize(at + std::max<qsizetype>(0, count));
        if (count <= 0)
            break;
        room -= count;
    }
    if (!bytes.isEmpty())
        bytesArrived(bytes);
    if (room <= 0 || port_.bytesAvailable() > 0)
        inputHeldBack();
}

void SerialComm::receiveSettled()
{
    tuneWakeups();
}

void SerialComm::tuneWakeups()
{
    if (!port_.isOpen() || closePending_ || !portOpen())
        return;
    // A receive event is due: the handlers take their bytes first and settle again.
    if (rThreshold() > 0 && inBufferCount() >= rThreshold())
        return;
    qsizetype wanted = bytesUntilEvent();
    // Only console text (an event per character) is collected in batches; a block or a timing
    // answer that lacks one byte gets it at once.
    if (rThreshold() == 1 && streaming_) {
        if (collectStream())
            return;
        wanted = kStreamBatch;
    }
    setWakeCount(wanted > 1 ? static_cast<int>(std::min<qsizetype>(wanted, kMaxWakeCount)) : 0);
    if (wakeCount_ > 1) {
        const double lateMs = 2 * wakeCount_ * kByteLineTimeMs + kLateSlack.count();
        lateTimer_.start(static_cast<int>(std::ceil(lateMs)));
        quietUntilDue(wanted);
    } else {
        lateTimer_.stop();
        watchDevice();
    }
}

bool SerialComm::collectStream()
{
    QSocketNotifier* notifier = readNotifier();
    if (!notifier)
        return false;
    // Should QSerialPort take up the watch meanwhile, the driver still wakes it seldom.
    setWakeCount(kStreamBatch);
    lateTimer_.stop();
    notifier->setEnabled(false);
    if (!collecting_ || !quietTimer_.isActive()) {
        collecting_ = true;
        quietTimer_.start(kStreamCollectTime);
    }
    return true;
}

void SerialComm::quietUntilDue(qsizetype wanted)
{
    QSocketNotifier* notifier = readNotifier();
    if (!notifier)
        return;
    // QSerialPort takes up the watch again whenever it is read; the wait already running holds
    // unless fewer bytes are wanted now.
    if (quietTimer_.isActive() && !collecting_ && wanted >= quietWanted_) {
        notifier->setEnabled(false);
        return;
    }
    forgetWait();
    const int waiting = bytesWaiting();
    const qsizetype missing = wanted - waiting;
    if (waiting < 0 || missing < kQuietFrom) {
        watchDevice();
        return;
    }
    notifier->setEnabled(false);
    quietWanted_ = wanted;
    quietLineMs_ = missing * kByteLineTimeMs;
    quietMissed_ = false;
    quietClock_.start();
    // Never past the late timer, which would find the same bytes.
    const double quietMs = std::min(quietLineMs_ + handOverLagMs_, lateTimer_.interval() - 1.0);
    quietTimer_.start(static_cast<int>(std::ceil(quietMs)));
}

void SerialComm::onQuietOver()
{
    // What is there is read here and now, while the device stays unwatched: the settle after the
    // receive event decides how to wait next, and the late timer still runs meanwhile. (Watching
    // the device for a moment would cost the event loop two wake-ups of its own.)
    const bool readable = wakeCount_ > kWholeReadCount;
    if (collecting_) {
        // Whatever came is taken now; the adapter's delay does not matter for a stream.
        forgetWait();
        if (readable)
            handleInput(true);
        else
            watchDevice();
        return;
    }
    if (bytesWaiting() >= quietWanted_) {
        // All there: the wait may have been longer than needed, so it shrinks a little.
        handOverLagMs_ *= 7.0 / 8.0;
        if (readable) {
            handleInput(false);
            return;
        }
    } else {
        quietMissed_ = true;
    }
    watchDevice();
}

void SerialComm::learnHandOverLag()
{
    // Bytes the quiet timer found short came this long after their time on the line.
    if (!quietMissed_)
        return;
    quietMissed_ = false;
    // Later than any adapter's delay: the stream paused, which says nothing about the adapter.
    const double lateMs = quietClock_.nsecsElapsed() / 1e6 - quietLineMs_;
    if (lateMs <= kMaxHandOverLag.count())
        handOverLagMs_ = std::max(handOverLagMs_, lateMs);
}

void SerialComm::forgetWait()
{
    quietTimer_.stop();
    collecting_ = false;
}

void SerialComm::watchDevice()
{
    forgetWait();
    if (QSocketNotifier* notifier = readNotifier())
        notifier->setEnabled(true);
}

int SerialComm::bytesWaiting() const
{
    int waiting = 0;
    if (!port_.isOpen() || ::ioctl(static_cast<int>(port_.handle()), FIONREAD, &waiting) != 0)
        return -1;
    return waiting;
}

QSocketNotifier* SerialComm::readNotifier() const
{
    // QSerialPort makes its read notifier a child of the port when it opens the device.
    if (!port_.isOpen())
        return nullptr;
    const qintptr fd = port_.handle();
    if (!readNotifier_ || readNotifier_->socket() != fd) {
        readNotifier_.clear();
        for (QSocketNotifier* notifier :
             port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
            if (notifier->type() == QSocketNotifier::Read && notifier->socket() == fd)
                readNotifier_ = notifier;
        }
    }
    return readNotifier_.data();
}

void SerialComm::setWakeCount(int count)
{
    // 0 wakes for every byte, as QSerialPort opens the device; a read that finds nothing then
    // returns nothing rather than failing.
    if (count == wakeCount_)
        return;
    const int fd = static_cast<int>(port_.handle());
    termios settings{};
    if (fd < 0 || ::tcgetattr(fd, &settings) != 0)
        return;
    settings.c_cc[VMIN] = static_cast<cc_t>(count);
    settings.c_cc[VTIME] = 0;
    // A device that refuses simply keeps waking for every byte.
    if (::tcsetattr(fd, TCSANOW, &settings) == 0)
        wakeCount_ = count;
}

void SerialComm::onInputLate()
{
    // The bytes asked for are late (the stream paused, or a block came short): the driver wakes
    // the program for what is there, and for every byte until more comes.
    if (!port_.isOpen() || !portOpen())
        return;
    streaming_ = false;
    setWakeCount(0);
    watchDevice();
}

void SerialComm::resumeDeviceInput()
{
    if (port_.isOpen())
        onReadyRead();
}

void SerialComm::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // QSerialPort reports NoError whenever it clears its error; a closed port has nothing to
    // lose; and refusals such as a pseudo-terminal's for a modem-line request, or a timed-out
    // wait, leave the device working.
    if (error == QSerialPort::NoError || !meansDeviceFailed(error))
        return;
    // Input flushed after the line said it was readable leaves a read that finds nothing, which
    // QSerialPort reports as a read error, or, while the driver collects bytes before waking the
    // program, as a resource error saying to try again (EAGAIN). The line is still up: nothing
    // has failed. After the latter QSerialPort stops watching the device until it is read.
    if ((error == QSerialPort::ReadError || foundNothingToRead(error)) && !deviceHungUp()) {
        port_.clearError();
        if (error != QSerialPort::ReadError)
            queueCall(this, [this] { resumeDeviceInput(); });
        return;
    }
    if (!portOpen()) {
        // Closed for the handlers while the device still waits for its close: close it now,
        // before a dead descriptor can spin.
        finishClose();
        return;
    }
    if (writing_) {
        // Inside writeDevice: it closes the port and raises the failure to the handler.
        if (!writeFailure_)
            writeFailure_ = failureReason(error);
        return;
    }
    // Closing here and now matters: after a device has gone, QSerialPort keeps its read notifier
    // armed on the dead descriptor and would report the same error again on every pass.
    deviceFailed(CommErrorNumber::DeviceFailed, device_, failureReason(error));
    finishClose();
}

void SerialComm::refuse(int number, const QString& reason) const
{
    logFailure(device_, reason);
    throw CommError(number);
}

QString SerialComm::failureReason(QSerialPort::SerialPortError error) const
{
    // A read that meets the end of a hung-up line sets no error code of its own, so QSerialPort's
    // text is then whatever an earlier call left behind; the line's state says more.
    if (deviceHungUp())
        return kHungUp;
    return (error == QSerialPort::WriteError ? kWriteFailed : kReadFailed) + port_.errorString();
}

bool SerialComm::foundNothingToRead(QSerialPort::SerialPortError error) const
{
    // QSerialPort words a system error with the system's own text.
    static const QString kTryAgain = QString::fromLocal8Bit(std::strerror(EAGAIN));
    return error == QSerialPort::ResourceError && port_.errorString() == kTryAgain;
}

bool SerialComm::deviceHungUp() const
{
    if (!port_.isOpen())
        return false;
    pollfd line{static_cast<int>(port_.handle()), POLLIN, 0};
    if (::poll(&line, 1, 0) <= 0)
        return false;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SerialComm::drainOutput()
{
    QElapsedTimer waited;
    waited.start();
    while (port_.bytesToWrite() > 0) {
        const qint64 left = kCloseDrainBound.count() - waited.elapsed();
        if (left <= 0 || !port_.waitForBytesWritten(static_cast<int>(left)))
            break;
    }
}
