// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/Dispatcher.h"

#include "core/Dialogs.h"
#include "core/Core.h"
#include "core/TextRules.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"


#include <array>
#include <cmath>

#include <cstdio>

namespace {
constexpr char kCarriageReturn = 13;
constexpr char kLineFeed = 10;
constexpr char kVerticalTab = 11;
constexpr int kYieldsAfterRefusedSettings = 2;
const QString kConsoleLineBreak = QStringLiteral("\r\n");

// A one-character text for a Latin-1 byte, from a table of all 256, without an allocation per
// character.
QString latin1Character(char c)
{
    static const auto kAll = [] {
        std::array<QChar, 256> characters{};
        for (std::size_t i = 0; i < characters.size(); ++i)
            characters[i] = QChar(static_cast<char16_t>(i));
        return characters;
    }();
    return QString::fromRawData(&kAll[static_cast<uchar>(c)], 1);
}
} // namespace

Dispatcher::Dispatcher(Core& core) : core_(core), comm_(core.serialPort) {}

void Dispatcher::handleCommEvent()
{
    // An exception must not leave a Qt event handler; input() on an open port cannot fail, so
    // anything caught here is a fault of the port layer, reported once on stderr.
    try {
        switch (comm_.commEvent()) {
        case Comm::kEvReceive:
            switch (core_.state.receiveMode) {
            case ModeConsole:
                receiveConsole();
                break;
            case ModeCapture:
                receiveCapture();
                break;
            case ModeTiming:
                receiveTiming();
                break;
            default:
                break; // bytes stay unread
            }
            break;
        case Comm::kEvCts:
            core_.link().pumpEvents(1);
            break;
        case Comm::kEventBreak:
            comm_.setBreak(false);
            break;
        default:
            break;
        }
    } catch (const CommError& error) {
        std::fprintf(stderr, "trevalon: receive event failed with %d\n", error.number());
    }
}

void Dispatcher::receiveConsole()
{
    core_.setLampColour(static_cast<int>(kRed));
    const QByteArray read = comm_.input();
    if (read.isEmpty())
        return;
    const char c = read.at(0);
    if (c == kCarriageReturn)
        core_.appendToConsole(kConsoleLineBreak);
    else if (c != kLineFeed)
        core_.appendToConsole(latin1Character(c)); // Latin-1, byte for byte
}

void Dispatcher::receiveCapture()
{
    core_.setLampColour(static_cast<int>(kGreen));
    SampleBlock& block = core_.state.sampleBlock;
    for (int k = 1; k <= kBlockSize; ++k) {
        const QByteArray read = comm_.input();
        block.entry[k] =
            read.isEmpty() ? std::nullopt : std::optional<quint8>(static_cast<quint8>(read.at(0)));
    }
    comm_.setPortOpen(false);

    core_.clearScope();
    core_.drawReceivedBlock(block);

    try {
        comm_.setInBufferCount(0);
        comm_.setPortOpen(true);
    } catch (const CommError& error) {
        // The port stays closed and the scope stops until it is started again.
        if (error.number() == CommErrorNumber::BadSettings)
            core_.link().pumpEvents(kYieldsAfterRefusedSettings);
        else
            core_.dialogs.message(QString::number(error.number()), MsgIcon::None, MsgButtons::Ok);
    }
}

int Dispatcher::timingDigit(const QByteArray& reply)
{
    if (reply.size() < TimingReply::kDigitPosition)
        return 0;
    const char c = reply.at(TimingReply::kDigitPosition - 1);
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

double Dispatcher::timeGridFor(int digit)
{
    return digit * TimingReply::kLoopPeriodMicroseconds * TimingReply::kPeriodsPerSample / 1000;
}

void Dispatcher::receiveTiming()
{
    const QByteArray reply = comm_.input();
    if (reply.isEmpty())
        return;
    if (reply.at(0) == kCarriageReturn || reply.at(0) == kVerticalTab)
        return;
    const double t = timeGridFor(timingDigit(reply));
    if (t != 0)
        core_.setTimeGrid(t);
    core_.setReadout(Readout::TimeGrid, TextRules::formatAtLeastOneDigit(core_.state.timeGrid));
    // Before any non-zero reply the frequency is not finite; the readout keeps its text.
    if (core_.state.timeGrid != 0)
        core_.setReadout(Readout::PidFrequency,
                         TextRules::formatNoRequiredDigit(core_.pidFrequency()));
}
