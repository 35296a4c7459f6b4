// SPDX-License-Identifier: GPL-3.0-or-later
#include "DispatcherHarness.h"

#include "FuzzInput.h"

#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "core/shell/Shell.h"

#include <QCoreApplication>

#include <array>

namespace {
constexpr int kPort = 1;
constexpr int kFirstListPosition = 0;
const std::array kProfiles{kConsoleProfile, kTimingProfile, kCaptureProfile};

// A front-end keeps every line printed on the window (a lost device prints one); past this many
// the core is built anew, as a long run would otherwise only ever add to them.
constexpr qsizetype kMaxFormLines = 256;
// Passes with no receive event before the loop counts as quiet; the spare passes cover the
// queued calls around the events themselves.
constexpr int kQuietPasses = 3;
constexpr int kSpareSettlePasses = 64;
constexpr int kResetPasses = 4;
} // namespace

DispatcherHarness::DispatcherHarness()
{
    build();
}

DispatcherHarness::~DispatcherHarness() = default;

void DispatcherHarness::build()
{
    core_.reset(); // the core refers to the port, so it goes first
    comm_ = std::make_unique<FakeComm>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    settings_ = std::make_unique<MemorySettings>();
    images_ = std::make_unique<RecordedImages>();
    // Connected before the core wires the dispatcher, so it runs before every event and the
    // second one after it.
    QObject::connect(comm_.get(), &Comm::onComm, comm_.get(), [this] { beforeEvent(); });
    core_ = std::make_unique<Core>(*comm_, *dialogs_, *settings_, *images_);
    linkOf(*core_).setPumpSlice(std::chrono::microseconds(0));
    QObject::connect(comm_.get(), &Comm::onComm, core_.get(), [this] { afterEvent(); });
    QObject::connect(core_.get(), &Core::scopeCleared, core_.get(), [this] { ++clears_; });
    QObject::connect(core_.get(), &Core::blockDrawn, core_.get(),
                     [this](const SampleBlock& block, int colour) {
                         drawn_.append({block, colour});
                         clearsBeforeLastBlock_ = clears_;
                     });
    QObject::connect(core_.get(), &Core::formTextPrinted, core_.get(), [this] { ++printed_; });
    printed_ = 0;
    core_->startUp();
    core_->setPortPosition(kFirstListPosition);
    startState_ = stateOf(*core_);
    startGridCaption_ = core_->readout(Readout::TimeGrid);
    startPidCaption_ = core_->readout(Readout::PidFrequency);
}

void DispatcherHarness::reset()
{
    if (printed_ > kMaxFormLines)
        build();
    Core& core = *core_;
    FakeComm& comm = *comm_;
    comm.openFailures.clear();
    comm.writeFailure = 0;
    if (comm.portOpen())
        comm.setPortOpen(false);
    comm.setInBufferCount(0);
    comm.setBreak(false);
    comm.setRThreshold(0);
    comm.setInputLen(0);
    comm.setNullDiscard(false);
    comm.setCommPort(kPort);
    // Calls queued by the last input find the port closed and do nothing.
    for (int i = 0; i < kResetPasses; ++i)
        QCoreApplication::processEvents();
    comm.log.clear();
    comm.writes.clear();
    dialogs_->shown.clear();

    stateOf(core) = startState_;
    stateOf(core).portNumber = kPort;
    core.setPortPosition(kFirstListPosition);
    setConsoleText(core, QString());
    CoreInsides::clearScope(core);
    CoreInsides::setReadout(core, Readout::TimeGrid, startGridCaption_);
    CoreInsides::setReadout(core, Readout::PidFrequency, startPidCaption_);
    CoreInsides::setLampColour(core, static_cast<int>(kRed));
    drawn_.clear();
    clears_ = 0;
    clearsBeforeLastBlock_ = 0;

    waiting_.clear();
    raised_.clear();
    mayStall_ = false;
}

void DispatcherHarness::setMode(quint8 mode)
{
    stateOf(*core_).receiveMode = mode;
    if (mode > ModeTiming)
        mayStall_ = true; // bytes stay unread and the event is not raised again for them
}

void DispatcherHarness::reopen(int profileIndex)
{
    // As the sending handlers do it; a refused open leaves the port closed.
    try {
        linkOf(*core_).reopenPort(kProfiles.at(profileIndex));
        waiting_.clear();
    } catch (const CommError&) {
    }
    checkModelMatchesPort();
}

void DispatcherHarness::open()
{
    const bool wasOpen = comm_->portOpen();
    try {
        comm_->setPortOpen(true);
        if (!wasOpen)
            waiting_.clear();
    } catch (const CommError&) {
    }
    checkModelMatchesPort();
}

void DispatcherHarness::close()
{
    if (comm_->portOpen())
        comm_->setPortOpen(false);
}

void DispatcherHarness::setThreshold(int count)
{
    comm_->setRThreshold(count);
    mayStall_ = true; // bytes already held are not looked at again until more arrive
}

void DispatcherHarness::setReadLength(int count)
{
    comm_->setInputLen(count);
}

void DispatcherHarness::setNullDiscard(bool on)
{
    comm_->setNullDiscard(on);
}

void DispatcherHarness::deliver(const QByteArray& bytes)
{
    if (comm_->portOpen()) {
        QByteArray kept = bytes;
        if (comm_->nullDiscard())
            kept.replace(QByteArray(1, '\0'), QByteArray());
        waiting_ += kept;
    }
    comm_->receive(bytes);
    checkModelMatchesPort();
}

void DispatcherHarness::raiseLineEvent(int code)
{
    comm_->raiseLineEvent(code);
}

void DispatcherHarness::failOpens(int number)
{
    if (number == 0)
        comm_->openFailures.remove(comm_->commPort());
    else
        comm_->openFailures.insert(comm_->commPort(), number);
}

void DispatcherHarness::setPortNumber(quint8 number)
{
    stateOf(*core_).portNumber = number;
}

void DispatcherHarness::loseDevice()
{
    if (comm_->portOpen())
        waiting_.clear();
    comm_->failDevice(CommErrorNumber::DeviceFailed);
    FUZZ_CHECK(!comm_->portOpen(), "a lost device leaves the port closed");
}

void DispatcherHarness::emptyBuffer()
{
    comm_->setInBufferCount(0);
    waiting_.clear();
    FUZZ_CHECK(comm_->inBufferCount() == 0, "writing 0 to the buffer count empties it");
}

void DispatcherHarness::setBreak()
{
    comm_->setBreak(true);
}

void DispatcherHarness::runEvents(int passes)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents();
    checkModelMatchesPort();
}

void DispatcherHarness::settleAndCheck()
{
    // A console event takes one character, so a full buffer needs one pass per byte.
    const int bound = comm_->inBufferCount() + kSpareSettlePasses;
    int quiet = 0;
    int passes = 0;
    while (quiet < kQuietPasses) {
        FUZZ_CHECK(passes < bound, "the receive event stops once the bytes are taken");
        const int before = eventsHandled_;
        QCoreApplication::processEvents();
        quiet = eventsHandled_ == before ? quiet + 1 : 0;
        ++passes;
    }
    checkModelMatchesPort();
    const Comm& comm = *comm_;
    const bool owed =
        comm.portOpen() && comm.rThreshold() > 0 && comm.inBufferCount() >= comm.rThreshold();
    FUZZ_CHECK(mayStall_ || !owed, "bytes at the threshold always raise a receive event");

    checkConsoleText();
}
