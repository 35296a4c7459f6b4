// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of DispatcherHarness: what the port held as an event was raised, and what the
// core must show after it.

#include "DispatcherHarness.h"

#include "FuzzInput.h"

#include "core/TextRules.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Dispatcher.h"

#include <cmath>

namespace {
constexpr char kCarriageReturn = 13;
constexpr char kLineFeed = 10;
constexpr char kVerticalTab = 11;
} // namespace

void DispatcherHarness::checkConsoleText() const
{
    const QString text = core_->consoleText().text();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QChar(kCarriageReturn))
            FUZZ_CHECK(i + 1 < text.size() && text.at(i + 1) == QChar(kLineFeed),
                       "every carriage return in the console is followed by a line feed");
        if (text.at(i) == QChar(kLineFeed))
            FUZZ_CHECK(i > 0 && text.at(i - 1) == QChar(kCarriageReturn),
                       "every line feed in the console follows a carriage return");
    }
}

void DispatcherHarness::checkModelMatchesPort() const
{
    if (comm_->portOpen())
        FUZZ_CHECK(comm_->inBufferCount() == waiting_.size(),
                   "the port holds exactly the bytes received since it was opened or emptied");
}

QByteArray DispatcherHarness::firstRead(const QByteArray& waiting, int readLength)
{
    return readLength > 0 ? waiting.left(readLength) : waiting;
}

void DispatcherHarness::beforeEvent()
{
    const Core& core = *core_;
    checkModelMatchesPort();
    Before b;
    b.code = comm_->commEvent();
    b.mode = stateOf(core).receiveMode;
    b.open = comm_->portOpen();
    b.readLength = comm_->inputLen();
    b.waiting = waiting_;
    if (b.code == Comm::kEvReceive && b.mode == ModeConsole)
        b.text = core.consoleText().text();
    b.timeGrid = stateOf(core).timeGrid;
    b.gridCaption = core.readout(Readout::TimeGrid);
    b.pidCaption = core.readout(Readout::PidFrequency);
    b.messages = dialogs_->shown.size();
    b.clears = clears_;
    b.drawn = drawn_.size();
    raised_.append(b);
}

void DispatcherHarness::afterEvent()
{
    FUZZ_CHECK(!raised_.isEmpty(), "every event handled was seen before the dispatcher");
    const Before b = raised_.takeLast();
    ++eventsHandled_;
    FUZZ_CHECK(b.open, "events are raised only while the port is open");

    // Whatever the event did, what is left was read from the front of what waited, or the
    // port was emptied by a close and reopen.
    const int left = comm_->inBufferCount();
    FUZZ_CHECK(left <= b.waiting.size(), "an event never adds bytes");
    waiting_ = b.waiting.right(left);
    checkModelMatchesPort();

    if (b.code == Comm::kEvReceive) {
        switch (b.mode) {
        case ModeConsole:
            checkConsole(b);
            break;
        case ModeCapture:
            checkCapture(b);
            break;
        case ModeTiming:
            checkTiming(b);
            break;
        default:
            FUZZ_CHECK(left == b.waiting.size() && comm_->portOpen(),
                       "in an unknown mode the bytes stay unread");
            break;
        }
    } else if (b.code == Comm::kEventBreak) {
        FUZZ_CHECK(!comm_->breakState(), "a break event switches the break state off");
        FUZZ_CHECK(left == b.waiting.size(), "a break event reads nothing");
    } else if (b.code != Comm::kEvCts) {
        // Code 3 yields, and events that run inside that yield may read; the rest do nothing.
        FUZZ_CHECK(left == b.waiting.size() && comm_->portOpen(),
                   "line events other than CTS and break leave the port alone");
    }
}

void DispatcherHarness::checkConsole(const Before& b)
{
    const Core& core = *core_;
    FUZZ_CHECK(core.lampColour() == static_cast<int>(kRed), "a console event turns the lamp red");
    const QByteArray read = firstRead(b.waiting, b.readLength);
    FUZZ_CHECK(comm_->inBufferCount() == b.waiting.size() - read.size(),
               "a console event makes exactly one read");
    QString added;
    if (!read.isEmpty()) {
        const char c = read.at(0);
        if (c == kCarriageReturn)
            added = QStringLiteral("\r\n");
        else if (c != kLineFeed)
            added = QChar(static_cast<uchar>(c));
    }
    FUZZ_CHECK(core.consoleText().text() == b.text + added,
               "a console event appends its character, a carriage return as CR LF, no line feed");
}

void DispatcherHarness::checkTiming(const Before& b)
{
    const Core& core = *core_;
    const QByteArray reply = firstRead(b.waiting, b.readLength);
    FUZZ_CHECK(comm_->inBufferCount() == b.waiting.size() - reply.size(),
               "a timing event makes exactly one read");
    if (reply.isEmpty() || reply.at(0) == kCarriageReturn || reply.at(0) == kVerticalTab) {
        FUZZ_CHECK(stateOf(core).timeGrid == b.timeGrid &&
                       core.readout(Readout::TimeGrid) == b.gridCaption &&
                       core.readout(Readout::PidFrequency) == b.pidCaption,
                   "an empty reply or one starting with CR or VT changes nothing");
        return;
    }
    const double t = Dispatcher::timeGridFor(Dispatcher::timingDigit(reply));
    const double grid = t != 0 ? t : b.timeGrid;
    FUZZ_CHECK(stateOf(core).timeGrid == grid, "the sixth character's digit sets the time grid");
    FUZZ_CHECK(core.readout(Readout::TimeGrid) == TextRules::formatAtLeastOneDigit(grid),
               "the time grid readout shows the grid");
    const QString pid =
        grid != 0 ? TextRules::formatNoRequiredDigit((1 / grid) * TimingReply::kPidFrequencyFactor)
                  : b.pidCaption;
    FUZZ_CHECK(core.readout(Readout::PidFrequency) == pid, "the PID readout shows 5000 / grid, or keeps its text");
}

void DispatcherHarness::checkCapture(const Before& b)
{
    const Core& core = *core_;
    FUZZ_CHECK(core.lampColour() == static_cast<int>(kGreen),
               "a captured block turns the lamp green");

    // 300 reads from the front of what waited, each of the read length (0: all at once).
    const SampleBlock& block = stateOf(core).sampleBlock;
    FUZZ_CHECK(!block.entry[0].has_value(), "entry 0 of the block is never written");
    const qsizetype step = b.readLength > 0 ? b.readLength : b.waiting.size();
    for (int k = 1; k <= kBlockSize; ++k) {
        const qsizetype at = (k - 1) * step;
        const bool present = step > 0 && at < b.waiting.size() && (b.readLength > 0 || k == 1);
        FUZZ_CHECK(block.entry[k].has_value() == present,
                   "entry k holds the first byte of read k, empty once the buffer ran dry");
        if (present) {
            FUZZ_CHECK(*block.entry[k] == static_cast<quint8>(b.waiting.at(at)),
                       "entry k holds the first byte of read k");
        }
    }

    // The block is drawn once, in the trace colour, on a scope cleared just before it (the
    // pixels a drawn block lights are the picture library's, tested there).
    FUZZ_CHECK(drawn_.size() == b.drawn + 1, "a captured block is drawn once");
    FUZZ_CHECK(drawn_.constLast().colour ==
                   static_cast<int>(std::llround(stateOf(core).traceColour)),
               "the block is drawn in the trace colour");
    FUZZ_CHECK(drawn_.constLast().block.entry == block.entry, "the block drawn is the block held");
    FUZZ_CHECK(clearsBeforeLastBlock_ == b.clears + 1, "the scope is cleared once before the block");

    // The port cycled: emptied and open again, unless the reopen was refused.
    const int port = comm_->commPort();
    const auto refusal = comm_->openFailures.constFind(port);
    const bool refused = port == 0 || refusal != comm_->openFailures.constEnd();
    FUZZ_CHECK(comm_->portOpen() == !refused, "the port is reopened after a block");
    FUZZ_CHECK(comm_->inBufferCount() == 0, "the receive buffer is emptied after a block");
    const qsizetype shown = dialogs_->shown.size() - b.messages;
    if (!refused) {
        FUZZ_CHECK(shown == 0, "a block that reopens shows no message");
    } else {
        const int number = port == 0 ? CommErrorNumber::InvalidPort : refusal.value();
        if (number == CommErrorNumber::BadSettings) {
            FUZZ_CHECK(shown == 0, "refused line settings only yield");
        } else {
            FUZZ_CHECK(shown == 1 && dialogs_->shown.constLast().text == QString::number(number),
                       "a refused reopen shows its error number once");
        }
    }
}
