// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the simulated chip's model (kdsp::ChipModel) with a made-up clock. An input is a fixed
// 8-byte configuration (pacing, lost bytes, reply delay, block limit, timing digit, seed, a raw
// timing reply, a mute chip) followed by operations: raw bytes and whole commands from the line,
// over-long lines, small and large steps of the clock, taking the output, and jumping to the
// time the model says the next output is due.
//
// A shadow of the command line works out which answers the model owes and when. Every output
// taken must then be the due answers, whole and in order, with whole 300-byte blocks before,
// between and after them (when no bytes are lost), never a block while the scope is stopped, at
// most one block per call unpaced, and paced never more blocks than the line could carry since
// the stream (re)started. nextDue() must say exactly whether output is waiting.

#include "FuzzInput.h"

#include "ChipGains.h"
#include "ChipModel.h"
#include "ChipOptions.h"
#include "ChipTexts.h"
#include "KdspProtocol.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

using kdsp::SimTime;

constexpr std::size_t kBlock = kdsp::kBlockSamples;
constexpr int kMaxOperations = 512;

// Configuration bits of the first byte; a mute chip is one input in eight.
constexpr std::uint8_t kUnpacedBit = 0x01;
constexpr std::uint8_t kDropsBit = 0x02;
constexpr std::uint8_t kRawTimingReplyBit = 0x04;
constexpr std::uint8_t kMuteMask = 0x38;
constexpr int kPermillePerStep = 4;
constexpr int kMaxPermille = 1000;
constexpr int kBlockLimitChoices = 8;
constexpr int kTimingDigitChoices = 10;
constexpr std::size_t kMaxRawTimingReply = 15;

constexpr auto kShortStep = 100us;
constexpr auto kLongStep = 1ms;
// Jumps to the next due time go at most this far at once.
constexpr SimTime kMaxJump = 10min;
// Over-long lines end around the longest command the chip keeps.
constexpr std::size_t kLongLineSpread = 8;
constexpr char kLongLineFill = 'A';

const std::array<std::string, 23> kCommands{std::string(kdsp::kStopScope),
                                            std::string(kdsp::kStartScope),
                                            std::string(kdsp::kTriggerOn),
                                            std::string(kdsp::kTriggerOff),
                                            std::string(kdsp::kTimingQuery),
                                            std::string(kdsp::kRegisterListing),
                                            std::string(kdsp::kSpecialCommands),
                                            std::string(kdsp::kFuseReport),
                                            std::string(kdsp::kThermo100),
                                            std::string(kdsp::kThermo80),
                                            std::string(kdsp::kThermo60),
                                            std::string(kdsp::kMotorProtectionOff),
                                            std::string(kdsp::kSoftLimitWithFault),
                                            std::string(kdsp::kSoftLimitWithoutFault),
                                            std::string(kdsp::kPwmDc),
                                            std::string(kdsp::kPwmAc),
                                            "J10\n00",
                                            "J9999",
                                            "q\n",
                                            "W02 0180",
                                            "w04 0820",
                                            "W02 0000",
                                            "W05 0001"};

enum Operation : std::uint8_t {
    kReceiveRaw,
    kReceiveCommand,
    kAdvanceShort,
    kAdvanceLong,
    kTake,
    kJumpToDue,
    kLongLine,
    kOperationCount
};

constexpr std::string_view kOverflowMark = "...";
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr char kUnprintableStandIn = '?';

std::string unknownAnswer(std::string_view command)
{
    std::string out(kdsp::kUnknownCommandPrefix);
    for (const char c : command)
        out.push_back(c >= kFirstPrintable && c <= kLastPrintable ? c : kUnprintableStandIn);
    out += kdsp::kLineEnd;
    return out;
}

class ChipModelRun
{
public:
    explicit ChipModelRun(const kdsp::ChipConfig& config) : model_(config), config_(config) {}

    void receive(std::string_view bytes)
    {
        // One byte at a time, so the model's state can be read right after each command.
        for (const char c : bytes) {
            model_.receive(std::string_view(&c, 1), now_);
            if (!config_.mute)
                shadowByte(c);
        }
    }

    void advance(SimTime step) { now_ += step; }

    void jumpToDue()
    {
        if (const auto due = model_.nextDue(); due && *due > now_)
            now_ = std::min(*due, now_ + kMaxJump);
        take();
    }

    void take()
    {
        const auto due = model_.nextDue();
        const bool outputWaiting = due && *due <= now_;
        // Paced, output leaves in the order it fell due: if the earliest thing due is a block
        // (it is due before any owed answer), the output starts with a block.
        const bool blockFirst =
            config_.paced && outputWaiting && (owed_.empty() || *due < owed_.front().first);
        std::vector<std::string> texts;
        std::size_t textBytes = 0;
        while (!owed_.empty() && owed_.front().first <= now_) {
            textBytes += owed_.front().second.size();
            texts.push_back(std::move(owed_.front().second));
            owed_.pop_front();
        }
        const bool running = model_.scopeRunning();
        const std::uint64_t sentBefore = model_.blocksSent();
        const std::string out = model_.takeOutput(now_);
        const std::uint64_t blocks = model_.blocksSent() - sentBefore;

        FUZZ_CHECK(running || blocks == 0, "no block leaves while the scope is stopped");
        FUZZ_CHECK(config_.paced || blocks <= 1, "unpaced, one block per call at most");
        FUZZ_CHECK(config_.blockLimit == 0 || model_.blocksSent() <= config_.blockLimit,
                   "no more blocks than the limit");
        if (config_.paced) {
            streamBlocks_ += blocks;
            const auto lineAllows =
                static_cast<std::uint64_t>((now_ - streamStart_) / kdsp::kBlockLineTime);
            FUZZ_CHECK(streamBlocks_ <= lineAllows, "paced blocks never outrun the line");
        }
        // An answer may be empty (a raw timing reply of no bytes): due, but nothing to see.
        FUZZ_CHECK(outputWaiting == (!texts.empty() || blocks > 0),
                   "nextDue() says whether output waits");
        if (config_.dropPermille > 0) {
            FUZZ_CHECK(out.size() <= textBytes + blocks * kBlock, "lost bytes only shorten");
            return;
        }
        FUZZ_CHECK(out.size() == textBytes + blocks * kBlock,
                   "the output is the due answers and whole blocks");
        FUZZ_CHECK(framed(out, texts, blockFirst),
                   "answers come whole, in order, never inside a block, after the blocks due "
                   "before them");
    }

private:
    void shadowByte(char c)
    {
        if (c == kdsp::kIgnoredLineFeed)
            return;
        if (c != kdsp::kCommandEnd) {
            if (line_.size() < kdsp::kMaxCommandLength)
                line_.push_back(c);
            else
                overflowed_ = true;
            return;
        }
        if (overflowed_)
            owe(unknownAnswer(line_ + std::string(kOverflowMark)));
        else
            command(line_);
        line_.clear();
        overflowed_ = false;
    }

    // The model has just taken `line`; note what it owes and check its state.
    void command(const std::string& line)
    {
        if (line == kdsp::kTimingQuery) {
            owe(config_.timingReply
                    ? *config_.timingReply
                    : std::string(kdsp::kTimingQuery) +
                          static_cast<char>('0' + config_.timingDigit) + kdsp::kCommandEnd);
        } else if (line == kdsp::kStartScope) {
            FUZZ_CHECK(model_.scopeRunning(), "J1000 starts the blocks");
            if (!running_)
                restartStream();
            running_ = true;
        } else if (line == kdsp::kTriggerOn || line == kdsp::kTriggerOff) {
            const bool on = line == kdsp::kTriggerOn;
            FUZZ_CHECK(model_.triggerMode() == on, "J1001 and J1002 switch the trigger mode");
            if (trigger_ != on)
                restartStream();
            trigger_ = on;
        } else if (line == kdsp::kStopScope) {
            FUZZ_CHECK(!model_.scopeRunning(), "q stops the blocks at once");
            running_ = false;
            owe(std::string(kdsp::kScopeStoppedAnswer));
        } else if (line == kdsp::kRegisterListing) {
            owe(kdsp::registerListing({options_, config_.timingDigit, model_.scopeRunning(),
                                       model_.triggerMode(), gains_}));
        } else if (line == kdsp::kSpecialCommands) {
            owe(kdsp::specialCommandList());
        } else if (line == kdsp::kFuseReport) {
            owe(kdsp::fuseReport(options_));
        } else if (auto confirmation = kdsp::applyOptionCommand(line, options_)) {
            owe(std::move(*confirmation));
        } else if (auto written = kdsp::applyRegisterWrite(line, gains_)) {
            owe(std::move(*written));
        } else {
            owe(unknownAnswer(line));
        }
        FUZZ_CHECK(model_.options() == options_, "only the option commands change options");
        FUZZ_CHECK(model_.gains() == gains_, "only register writes change the gains");
    }

    void owe(std::string text) { owed_.emplace_back(now_ + config_.replyDelay, std::move(text)); }

    void restartStream()
    {
        streamStart_ = now_;
        streamBlocks_ = 0;
    }

    // Whether `out` is the texts in order with whole blocks before, between and after them
    // (and a block first, if asked).
    static bool framed(const std::string& out, const std::vector<std::string>& texts,
                       bool blockFirst)
    {
        if (blockFirst && out.size() < kBlock)
            return false;
        std::set<std::pair<std::size_t, std::size_t>> seen; // (position, texts matched)
        std::vector<std::pair<std::size_t, std::size_t>> open{{blockFirst ? kBlock : 0, 0}};
        while (!open.empty()) {
            const auto [at, matched] = open.back();
            open.pop_back();
            if (!seen.insert({at, matched}).second)
                continue;
            if (at == out.size() && matched == texts.size())
                return true;
            if (matched < texts.size() &&
                out.compare(at, texts[matched].size(), texts[matched]) == 0)
                open.emplace_back(at + texts[matched].size(), matched + 1);
            if (at + kBlock <= out.size())
                open.emplace_back(at + kBlock, matched);
        }
        return false;
    }

    kdsp::ChipModel model_;
    kdsp::ChipConfig config_;
    SimTime now_{0};

    std::string line_;
    bool overflowed_ = false;
    std::deque<std::pair<SimTime, std::string>> owed_;
    kdsp::ChipOptions options_;
    kdsp::ChipGains gains_;
    bool running_ = false;
    bool trigger_ = false;
    SimTime streamStart_{0};
    std::uint64_t streamBlocks_ = 0;
};

kdsp::ChipConfig readConfig(FuzzInput& in)
{
    kdsp::ChipConfig config;
    const std::uint8_t flags = in.byte();
    config.paced = (flags & kUnpacedBit) == 0;
    const int permille = in.byte() * kPermillePerStep;
    config.dropPermille = (flags & kDropsBit) ? std::min(permille, kMaxPermille) : 0;
    config.replyDelay = std::chrono::milliseconds(in.byte());
    config.blockLimit = in.byte() % kBlockLimitChoices;
    config.timingDigit = in.byte() % kTimingDigitChoices;
    config.seed = in.word();
    const std::size_t rawLength = in.byte() % (kMaxRawTimingReply + 1);
    if (flags & kRawTimingReplyBit)
        config.timingReply = std::string(in.bytes(rawLength));
    config.mute = (flags & kMuteMask) == kMuteMask;
    return config;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    ChipModelRun run(readConfig(in));
    for (int i = 0; i < kMaxOperations && !in.atEnd(); ++i) {
        switch (in.byte() % kOperationCount) {
        case kReceiveRaw:
            run.receive(in.bytes(in.byte()));
            break;
        case kReceiveCommand:
            run.receive(kCommands.at(in.byte() % kCommands.size()) + kdsp::kCommandEnd);
            break;
        case kAdvanceShort:
            run.advance(in.byte() * kShortStep);
            break;
        case kAdvanceLong:
            run.advance(in.word() * kLongStep);
            break;
        case kTake:
            run.take();
            break;
        case kJumpToDue:
            run.jumpToDue();
            break;
        case kLongLine:
            run.receive(std::string(kdsp::kMaxCommandLength - kLongLineSpread / 2 +
                                        in.byte() % kLongLineSpread,
                                    kLongLineFill) +
                        kdsp::kCommandEnd);
            break;
        default:
            break;
        }
    }
    run.take();
    return 0;
}
