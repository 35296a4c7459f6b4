// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/Link.h"

#include "core/Dialogs.h"
#include "core/Core.h"
#include "core/TextRules.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/QueuedCall.h"

#include <QCoreApplication>

#include <thread>

namespace {
// Counts a wait for as long as it runs, however it ends.
class WaitInProgress {
public:
    explicit WaitInProgress(int& depth) : depth_(depth) { ++depth_; }
    ~WaitInProgress() { --depth_; }
    WaitInProgress(const WaitInProgress&) = delete;
    WaitInProgress& operator=(const WaitInProgress&) = delete;

private:
    int& depth_;
};
} // namespace

Link::Link(Comm& comm, Core& core) : comm_(comm), core_(core) {}

void Link::sendCommand(const QByteArray& text)
{
    comm_.output(text + ChipCommand::kCommandEnd);
}

void Link::reopenPort(const ReceiveProfile& profile)
{
    closeIfOpen();
    comm_.setCommPort(core_.state.portNumber);
    comm_.setRThreshold(profile.threshold);
    comm_.setInputLen(profile.readLength);
    comm_.setNullDiscard(profile.discardNulls);
    comm_.setPortOpen(true);
}

void Link::sendKeepingState(const QByteArray& text)
{
    if (comm_.portOpen()) {
        sendCommand(text);
        return;
    }
    comm_.setPortOpen(true);
    sendCommand(text);
    comm_.setPortOpen(false);
}

void Link::sendAndClose(const QByteArray& text)
{
    if (!comm_.portOpen())
        comm_.setPortOpen(true);
    sendCommand(text);
    comm_.setPortOpen(false);
}

void Link::closeIfOpen()
{
    if (comm_.portOpen())
        comm_.setPortOpen(false);
}

void Link::pumpEvents(int count)
{
    const WaitInProgress waiting(waitDepth_);
    for (int pass = 0; pass < count && !shutDown_; ++pass) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (pumpSlice_.count() > 0)
            std::this_thread::sleep_for(pumpSlice_);
    }
}

void Link::shutDown()
{
    shutDown_ = true;
    comm_.retire();
}

void Link::reportPortError(int number)
{
    if (shutDown_)
        return;
    ++reportsMade_;
    Q_EMIT core_.portErrorReported(number);
    if (number == CommErrorNumber::InvalidPort || number == CommErrorNumber::PortInUse) {
        const QString& text = number == CommErrorNumber::InvalidPort ? core_.messages.msgInvalidPort
                                                                     : core_.messages.msgPortUsed;
        core_.dialogs.message(text, MsgIcon::Critical, MsgButtons::Ok);
        core_.clearPortChoice();
        return;
    }
    core_.printOnForm(TextRules::withSignPosition(number) + QLatin1Char(' '));
}

void Link::reportDeviceLost(int number)
{
    if (waitDepth_ == 0) {
        reportPortError(number);
        return;
    }
    reportLossUnlessReported(number, reportsMade_);
}

void Link::reportLossUnlessReported(int number, quint64 reportsBefore)
{
    // A queued call runs in the next pass of whichever loop turns, a counted wait's included;
    // it passes itself on until the waits have ended and the handlers have returned.
    queueCall(&core_, [this, number, reportsBefore] {
        if (waitDepth_ > 0)
            reportLossUnlessReported(number, reportsBefore);
        else if (reportsMade_ == reportsBefore)
            reportPortError(number);
    });
}
