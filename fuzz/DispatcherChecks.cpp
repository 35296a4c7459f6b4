// The checks of DispatcherHarness: what the port held as an event was raised, and what the
// window must show after it.

#include "DispatcherHarness.h"

#include "FuzzInput.h"

#include "core/TextRules.h"
#include "window/ConsoleView.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Dispatcher.h"
#include "window/ScopeSurface.h"
#include "picture/TraceDrawing.h"

#include <QLabel>

#include <cmath>

namespace {
constexpr char kCarriageReturn = 13;
constexpr char kLineFeed = 10;
constexpr char kVerticalTab = 11;
constexpr int kOpaque = 255;

QRgb traceRgb(double traceColour)
{
    return oleColour(std::llround(traceColour)).rgb();
}
} // namespace

void DispatcherHarness::checkConsoleText() const
{
    const QString text = window_->Text->text();
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
    const Fo& fo = *window_;
    checkModelMatchesPort();
    Before b;
    b.code = comm_->commEvent();
    b.mode = fo.state.receiveMode;
    b.open = comm_->portOpen();
    b.readLength = comm_->inputLen();
    b.waiting = waiting_;
    if (b.code == Comm::kEvReceive && b.mode == ModeConsole)
        b.text = fo.Text->text();
    b.timeGrid = fo.state.timeGrid;
    b.gridCaption = fo.Gr(2)->text();
    b.pidCaption = fo.MX(5)->text();
    b.messages = dialogs_->shown.size();
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
    const Fo& fo = *window_;
    FUZZ_CHECK(fo.lampColour() == static_cast<int>(kRed), "a console event turns the lamp red");
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
    FUZZ_CHECK(fo.Text->text() == b.text + added,
               "a console event appends its character, a carriage return as CR LF, no line feed");
}

void DispatcherHarness::checkTiming(const Before& b)
{
    const Fo& fo = *window_;
    const QByteArray reply = firstRead(b.waiting, b.readLength);
    FUZZ_CHECK(comm_->inBufferCount() == b.waiting.size() - reply.size(),
               "a timing event makes exactly one read");
    if (reply.isEmpty() || reply.at(0) == kCarriageReturn || reply.at(0) == kVerticalTab) {
        FUZZ_CHECK(fo.state.timeGrid == b.timeGrid && fo.Gr(2)->text() == b.gridCaption &&
                       fo.MX(5)->text() == b.pidCaption,
                   "an empty reply or one starting with CR or VT changes nothing");
        return;
    }
    const double t = Dispatcher::timeGridFor(Dispatcher::timingDigit(reply));
    const double grid = t != 0 ? t : b.timeGrid;
    FUZZ_CHECK(fo.state.timeGrid == grid, "the sixth character's digit sets the time grid");
    FUZZ_CHECK(fo.Gr(2)->text() == TextRules::formatAtLeastOneDigit(grid),
               "the time grid readout shows the grid");
    const QString pid =
        grid != 0 ? TextRules::formatNoRequiredDigit((1 / grid) * TimingReply::kPidFrequencyFactor)
                  : b.pidCaption;
    FUZZ_CHECK(fo.MX(5)->text() == pid, "the PID readout shows 5000 / grid, or keeps its text");
}

void DispatcherHarness::checkCapture(const Before& b)
{
    const Fo& fo = *window_;
    FUZZ_CHECK(fo.lampColour() == static_cast<int>(kGreen),
               "a captured block turns the lamp green");

    // 300 reads from the front of what waited, each of the read length (0: all at once).
    const SampleBlock& block = fo.state.sampleBlock;
    FUZZ_CHECK(!block.entry[0].has_value(), "entry 0 of the block is never written");
    const qsizetype step = b.readLength > 0 ? b.readLength : b.waiting.size();
    int lastPresent = 0;
    for (int k = 1; k <= kBlockSize; ++k) {
        const qsizetype at = (k - 1) * step;
        const bool present = step > 0 && at < b.waiting.size() && (b.readLength > 0 || k == 1);
        FUZZ_CHECK(block.entry[k].has_value() == present,
                   "entry k holds the first byte of read k, empty once the buffer ran dry");
        if (present) {
            FUZZ_CHECK(*block.entry[k] == static_cast<quint8>(b.waiting.at(at)),
                       "entry k holds the first byte of read k");
            lastPresent = k;
        }
    }

    // The trace starts at x 0 on the level of entry 1 (0 when it is empty) and runs through
    // every present sample, each lit exactly where the scope frame puts it (sample 300 lies at
    // x 600, just off the surface). With no sample there is no line and nothing is drawn.
    const QImage& layer = fo.Rajz->picture().drawingLayer();
    const QRgb colour = traceRgb(fo.state.traceColour);
    const auto onTrace = [&](QPoint p) {
        const QRgb pixel = layer.pixel(p);
        return qAlpha(pixel) == kOpaque && (pixel & RGB_MASK) == (colour & RGB_MASK);
    };
    for (int k = 1; k <= lastPresent; ++k) {
        if (!block.entry[k])
            continue;
        const QPoint p = ScopeFrame::samplePoint(k, *block.entry[k]).toPoint();
        if (layer.rect().contains(p))
            FUZZ_CHECK(onTrace(p), "every present sample is on the trace, in the trace colour");
    }
    if (lastPresent > 0)
        FUZZ_CHECK(fo.Rajz->picture().currentPosition() ==
                       ScopeFrame::samplePoint(lastPresent, *block.entry[lastPresent]),
                   "the trace ends at the last present sample");
    const int startY = ScopeFrame::samplePoint(0, block.entry[1].value_or(0)).toPoint().y();
    for (int y = 0; y < ScopePicture::kHeight; ++y) {
        if (lastPresent > 0 && y == startY)
            FUZZ_CHECK(onTrace(QPoint(0, y)), "the trace starts at x 0 on the first level");
        else
            FUZZ_CHECK(qAlpha(layer.pixel(0, y)) == 0, "column 0 holds the start point alone");
    }

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
