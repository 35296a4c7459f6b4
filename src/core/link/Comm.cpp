// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/Comm.h"

#include "core/link/QueuedCall.h"

#include <array>

#include <cstdio>

namespace {
// Bytes already read are dropped from the front of the buffer in chunks, not one read at a time.
constexpr qint64 kCompactAfter = 4096;
// Receive events raised in one turn of the event loop before other events get theirs: console
// text taken in one wake-up (about 920 characters at the line rate) is handled in one turn,
// which takes a millisecond or two.
constexpr int kEventsPerTurn = 1024;
// The failure lines nobody takes are the window's.
constexpr const char* kWindowProgramName = "trevalon";

QByteArray singleByte(char c)
{
    static const auto kAllBytes = [] {
        std::array<char, 256> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i);
        return bytes;
    }();
    return QByteArray::fromRawData(&kAllBytes[static_cast<uchar>(c)], 1);
}

} // namespace

Comm::Comm(QObject* parent) : QObject(parent) {}

Comm::~Comm() = default;

void Comm::setPortOpen(bool open)
{
    if (open == open_ || (open && retired_))
        return;
    if (open) {
        openDevice();
        open_ = true;
        failureReason_.clear();
        ++openGeneration_;
        buffer_.clear();
        bufferHead_ = 0;
        // Whatever reached the device while the port was closed is not part of this session.
        flushDeviceInput();
        resumeInputIfRoom();
        receiveSettled();
    } else {
        open_ = false;
        ++openGeneration_;
        closeDevice();
    }
}

void Comm::setInBufferCount(int count)
{
    if (count != 0)
        return; // only emptying the buffer means anything
    buffer_.clear();
    bufferHead_ = 0;
    if (open_)
        flushDeviceInput();
    resumeInputIfRoom();
    if (open_)
        receiveSettled();
}

void Comm::setRThreshold(int count)
{
    if (count == rThreshold_)
        return;
    rThreshold_ = count;
    if (open_)
        receiveSettled();
}

qsizetype Comm::bytesUntilEvent() const
{
    if (!open_ || rThreshold_ <= 0)
        return 1;
    return std::max<qsizetype>(1, rThreshold_ - inBufferCount());
}

void Comm::setBreak(bool on)
{
    break_ = on;
    if (open_)
        applyBreak(on);
}

void Comm::output(const QByteArray& bytes)
{
    if (retired_)
        return;
    if (!open_)
        throw CommError(CommErrorNumber::PortClosed);
    writeDevice(bytes);
}

QByteArray Comm::input()
{
    if (!open_)
        throw CommError(CommErrorNumber::PortClosed);
    const qint64 waiting = buffer_.size() - bufferHead_;
    const qint64 count = inputLen_ > 0 ? std::min<qint64>(inputLen_, waiting) : waiting;
    // One byte at a time is how the console and the scope read: that byte is handed out from a
    // table of all byte values, without an allocation per byte.
    QByteArray taken = count == 1 ? singleByte(buffer_.at(bufferHead_))
                                  : buffer_.mid(bufferHead_, count);
    bufferHead_ += count;
    if (bufferHead_ == buffer_.size()) {
        buffer_.clear();
        bufferHead_ = 0;
    } else if (bufferHead_ >= kCompactAfter && bufferHead_ * 2 >= buffer_.size()) {
        buffer_.remove(0, bufferHead_);
        bufferHead_ = 0;
    }
    resumeInputIfRoom();
    return taken;
}

qsizetype Comm::inputRoom() const
{
    return std::max<qsizetype>(0, kMaxHeldInput - inBufferCount());
}

void Comm::inputHeldBack()
{
    inputHeldBack_ = true;
}

void Comm::resumeInputIfRoom()
{
    // Half the bound, so that a console taking one character per event does not wake the
    // device for every character it takes.
    if (!inputHeldBack_ || resumePending_ || inBufferCount() > kMaxHeldInput / 2)
        return;
    inputHeldBack_ = false;
    resumePending_ = true;
    queueCall(this, [this] {
        resumePending_ = false;
        resumeDeviceInput();
    });
}

void Comm::retire()
{
    retired_ = true;
    if (open_)
        closeDroppingInput();
}

void Comm::closeDroppingInput()
{
    open_ = false;
    ++openGeneration_;
    buffer_.clear();
    bufferHead_ = 0;
    closeDevice();
}

void Comm::bytesArrived(QByteArray bytes)
{
    if (!open_)
        return;
    if (nullDiscard_)
        bytes.replace(QByteArray(1, '\0'), QByteArray());
    if (bytes.isEmpty())
        return;
    buffer_.append(bytes);
    // Below the threshold no event can be due; the device layer keeps waiting for more.
    if (rThreshold_ > 0 && inBufferCount() >= rThreshold_)
        scheduleReceiveCheck();
}

void Comm::lineEventArrived(int code)
{
    if (!open_)
        return;
    queueCall(this, [this, code, generation = openGeneration_] {
        if (!open_ || generation != openGeneration_)
            return;
        commEvent_ = code;
        Q_EMIT onComm();
    });
}

void Comm::deviceFailed(int errorNumber, const QString& device, const QString& reason)
{
    if (!open_)
        return;
    closeDroppingInput();
    logFailure(device, reason);
    Q_EMIT deviceLost(errorNumber);
}

void Comm::logFailure(const QString& device, const QString& reason) const
{
    failureReason_ = reason;
    const QString failure =
        device.isEmpty() ? QStringLiteral("Comm %1: %2").arg(commPort_).arg(reason)
                         : QStringLiteral("Comm %1 (%2): %3").arg(commPort_).arg(device, reason);
    if (failureTaker_) {
        failureTaker_(failure);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", kWindowProgramName, failure.toLocal8Bit().constData());
    std::fflush(stderr);
}

void Comm::scheduleReceiveCheck()
{
    if (checkPending_)
        return;
    checkPending_ = true;
    queueCall(this, [this] { raiseReceiveIfDue(); });
}

void Comm::raiseReceiveIfDue()
{
    checkPending_ = false;
    raiseReceiveEvents();
    if (open_)
        receiveSettled();
}

void Comm::raiseReceiveEvents()
{
    // Raised again while the threshold still holds, so one event may take one character. A run
    // of events is handled in one turn of the event loop (a queued call per character costs more
    // than the character), then the loop gets its turn before the rest.
    for (int raised = 0; raised < kEventsPerTurn; ++raised) {
        if (!open_ || rThreshold_ <= 0 || inBufferCount() < rThreshold_)
            return;
        const int before = inBufferCount();
        const quint64 generation = openGeneration_;
        commEvent_ = kEvReceive;
        Q_EMIT onComm();
        // A handler that read nothing (an unknown receive mode) is not called again until new
        // bytes arrive, or it would be called forever.
        if (generation == openGeneration_ && inBufferCount() == before)
            return;
    }
    if (open_ && rThreshold_ > 0 && inBufferCount() >= rThreshold_)
        scheduleReceiveCheck();
}
