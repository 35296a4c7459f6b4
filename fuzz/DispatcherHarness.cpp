#include "DispatcherHarness.h"

#include "FuzzInput.h"

#include "support/CoreSetup.h"
#include "window/ConsoleView.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "window/ScopeSurface.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>

#include <array>

namespace {
constexpr int kPort = 1;
constexpr int kFirstListPosition = 0;
const std::array kProfiles{kConsoleProfile, kTimingProfile, kCaptureProfile};

// The window's surface keeps every line written on it (a lost device writes one); past this
// many the window is built anew so that a long run does not grow.
constexpr qsizetype kMaxFormLines = 256;
// Passes with no receive event before the loop counts as quiet; the spare passes cover the
// queued calls around the events themselves.
constexpr int kQuietPasses = 3;
constexpr int kSpareSettlePasses = 64;
constexpr int kResetPasses = 4;
} // namespace

DispatcherHarness::DispatcherHarness()
{
    Link::setPumpSlice(std::chrono::microseconds(0));
    build();
}

DispatcherHarness::~DispatcherHarness() = default;

void DispatcherHarness::build()
{
    window_.reset(); // the window refers to the port, so it goes first
    comm_ = std::make_unique<FakeComm>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    settings_ = std::make_unique<MemorySettings>();
    // Connected before the window wires the dispatcher, so it runs before every event and the
    // second one after it.
    QObject::connect(comm_.get(), &Comm::onComm, comm_.get(), [this] { beforeEvent(); });
    window_ = std::make_unique<Fo>(*comm_, *dialogs_, *settings_);
    QObject::connect(comm_.get(), &Comm::onComm, window_.get(), [this] { afterEvent(); });
    window_->Portok->setCurrentIndex(kFirstListPosition);
    window_->show();
    startState_ = window_->state;
    startGridCaption_ = window_->Gr(2)->text();
    startPidCaption_ = window_->MX(5)->text();
}

void DispatcherHarness::reset()
{
    if (window_->formTexts().size() > kMaxFormLines)
        build();
    Fo& fo = *window_;
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

    fo.state = startState_;
    fo.state.portNumber = kPort;
    fo.Portok->setCurrentIndex(kFirstListPosition);
    setConsoleText(fo.core(), QString());
    fo.Rajz->cls();
    fo.core().setReadout(Readout::TimeGrid, startGridCaption_);
    fo.core().setReadout(Readout::PidFrequency, startPidCaption_);
    fo.setLampColour(static_cast<int>(kRed));

    waiting_.clear();
    raised_.clear();
    mayStall_ = false;
}

void DispatcherHarness::setMode(quint8 mode)
{
    window_->state.receiveMode = mode;
    if (mode > ModeTiming)
        mayStall_ = true; // bytes stay unread and the event is not raised again for them
}

void DispatcherHarness::reopen(int profileIndex)
{
    // As the sending handlers do it; a refused open leaves the port closed.
    try {
        window_->link().reopenPort(kProfiles.at(profileIndex));
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
    window_->state.portNumber = number;
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
    const QImage shown = window_->Rajz->composite();
    FUZZ_CHECK(shown.width() == ScopePicture::kWidth && shown.height() == ScopePicture::kHeight,
               "the scope surface keeps its size");
}
