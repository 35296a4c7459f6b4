// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the receive dispatcher of a loaded core on the fake port, with no window.
// An input is a list of operations, each an opcode byte and fixed-size arguments (a delivery
// carries its own length): receive modes 0-5, the three receive profiles, thresholds, read lengths
// and null discarding set under bytes already held, bytes and runs of bytes from the line, line
// event codes, bounded runs of the event loop, opens, closes, refused reopens and a vanishing
// device. The harness checks every event against what the port held before it (see
// DispatcherHarness).

#include "DispatcherHarness.h"
#include "FuzzInput.h"

#include <QCoreApplication>

#include <array>
#include <cstdint>

namespace {

enum Operation : std::uint8_t {
    kSetMode,
    kReopen,
    kSetThreshold,
    kSetReadLength,
    kSetNullDiscard,
    kDeliver,
    kDeliverRun,
    kLineEvent,
    kRunEvents,
    kOpen,
    kClose,
    kFailOpens,
    kSetPortNumber,
    kLoseDevice,
    kEmptyBuffer,
    kSetBreak,
    kOperationCount
};

// Modes 3-5 are values the dispatcher must ignore.
constexpr int kModeChoices = 6;
constexpr int kProfileChoices = 3;
// Thresholds and read lengths reach past a whole block.
constexpr int kSettingChoices = 700;
constexpr int kMaxRun = 1024;
constexpr int kMaxPasses = 16;
constexpr int kMaxOperations = 256;
// Bytes per input: the console takes one per event, so this bounds the time an input takes.
constexpr qsizetype kMaxDelivered = 4096;

// Event codes the port raises (receive, CTS, break, DSR, CD, ring, framing error, overrun); the
// last choice takes any 16-bit code from the input.
constexpr std::array kLineCodes{2, 3, 1001, 4, 5, 6, 1004, 1006};
constexpr int kLineCodeChoices = static_cast<int>(kLineCodes.size()) + 1;

// 0 lets the port open again; the rest are the numbers a refused open raises.
constexpr std::array kOpenFailures{0, 8002, 8005, 8015, 8020};

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "fuzz_dispatcher";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the core outlives every input, up to the process's end.
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

DispatcherHarness& harness()
{
    application();
    static DispatcherHarness* h = new DispatcherHarness;
    return *h;
}

void apply(DispatcherHarness& h, FuzzInput& in, qsizetype& delivered)
{
    switch (in.byte() % kOperationCount) {
    case kSetMode:
        h.setMode(static_cast<quint8>(in.byte() % kModeChoices));
        break;
    case kReopen:
        h.reopen(in.byte() % kProfileChoices);
        break;
    case kSetThreshold:
        h.setThreshold(in.word() % kSettingChoices);
        break;
    case kSetReadLength:
        h.setReadLength(in.word() % kSettingChoices);
        break;
    case kSetNullDiscard:
        h.setNullDiscard(in.byte() & 1);
        break;
    case kDeliver: {
        const std::string_view bytes = in.bytes(in.byte());
        if (delivered + static_cast<qsizetype>(bytes.size()) <= kMaxDelivered) {
            h.deliver(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
            delivered += static_cast<qsizetype>(bytes.size());
        }
        break;
    }
    case kDeliverRun: {
        const int count = in.word() % kMaxRun;
        const char value = static_cast<char>(in.byte());
        if (delivered + count <= kMaxDelivered) {
            h.deliver(QByteArray(count, value));
            delivered += count;
        }
        break;
    }
    case kLineEvent: {
        const int choice = in.byte() % kLineCodeChoices;
        const int anyCode = static_cast<std::int16_t>(in.word());
        h.raiseLineEvent(choice < static_cast<int>(kLineCodes.size()) ? kLineCodes.at(choice)
                                                                      : anyCode);
        break;
    }
    case kRunEvents:
        h.runEvents(1 + in.byte() % kMaxPasses);
        break;
    case kOpen:
        h.open();
        break;
    case kClose:
        h.close();
        break;
    case kFailOpens:
        h.failOpens(kOpenFailures.at(in.byte() % kOpenFailures.size()));
        break;
    case kSetPortNumber:
        h.setPortNumber(in.byte());
        break;
    case kLoseDevice:
        h.loseDevice();
        break;
    case kEmptyBuffer:
        h.emptyBuffer();
        break;
    case kSetBreak:
        h.setBreak();
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DispatcherHarness& h = harness();
    h.reset();
    FuzzInput in(data, size);
    qsizetype delivered = 0;
    for (int i = 0; i < kMaxOperations && !in.atEnd(); ++i)
        apply(h, in, delivered);
    h.settleAndCheck();
    return 0;
}
