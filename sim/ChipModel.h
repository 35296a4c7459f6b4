// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated KDSP chip, without any I/O: bytes go in with receive(), bytes come out of
// takeOutput(), and the caller passes in the time on its own steady clock each time. The model
// decides when each answer and each scope block is due; the caller only moves the bytes.
//
// Ordering: a scope block is produced whole, so a text answer (timing, listing, confirmation)
// never lands inside a block; when a block and an answer fall due together they come out in the
// order they fell due. "q" stops the stream at once in the model; a block the caller has already
// taken but not yet written is the caller's to finish.
#pragma once

#include "BlockSource.h"
#include "ChipGains.h"
#include "ChipOptions.h"
#include "ChipTexts.h"
#include "KdspProtocol.h"
#include "ServoSignal.h"
#include "SimRandom.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kdsp {

// Time on the caller's steady clock, counted from any fixed origin.
using SimTime = std::chrono::nanoseconds;

struct ChipConfig
{
    int timingDigit = kDefaultTimingDigit;
    // Raw bytes sent instead of the regular answer to J1100 (for garbage tests).
    std::optional<std::string> timingReply;
    // A dead chip: hears nothing and says nothing, not even scope blocks.
    bool mute = false;
    // Every text and timing answer falls due this much after its command arrived.
    std::chrono::milliseconds replyDelay{0};
    // Each outgoing byte is lost with this probability (per thousand).
    int dropPermille = 0;
    // true: blocks fall due at the line rate of 115200 8N1. false: a block is due whenever the
    // caller asks, one per takeOutput() call, so the reader sets the pace.
    bool paced = true;
    // After this many blocks the chip sends no more (0: no limit).
    std::uint64_t blockLimit = 0;
    std::uint64_t seed = 1;
    // Moves and an oscillation with known figures in place of the servo signal, when set.
    KnownSignalShape knownSignal;
    // When set, blocks are the recorded ones it gives, in order, instead of the servo signal;
    // they go out free-running at the line rate whatever the trigger mode, but each waits for the
    // reader to have taken the one before (see readerReady()), so none is lost to a reader's
    // flush and a capture of a replay gives back the recording block for block. After the last
    // one the stream ends until the scope is started again, which begins the recording anew;
    // with replayLoop the first block follows the last at once. The model holds only the block
    // that goes next.
    std::shared_ptr<BlockSource> replay;
    bool replayLoop = false;
};

class ChipModel
{
public:
    explicit ChipModel(const ChipConfig& config);

    // Bytes from the line, arriving at `now`. Complete commands take effect at once; their
    // answers fall due at now + replyDelay.
    void receive(std::string_view bytes, SimTime now);

    // Everything due by `now`, in order, with dropped bytes already removed. Unpaced, at most
    // one block per call.
    std::string takeOutput(SimTime now);

    // When takeOutput() will next have something (a time <= now means at once), or nothing if
    // no answer is pending and no block is coming.
    std::optional<SimTime> nextDue() const;

    // The reader has opened the line or flushed its input (the scope flushes as it reopens the
    // port after each block): it has taken the block before, and what comes now reaches it. A
    // replay's next block then goes at the line rate, as the live chip's do. Sent sooner, it
    // could reach a reader still busy with the block before, and that reader's flush would drop
    // it. A reader seen to do neither gets the next block after kReplayReaderWait: twice a
    // block's line time leaves the scope's read, draw and flush room to finish.
    void readerReady() { m_replayWaitsForReader = false; }
    static constexpr SimTime kReplayReaderWait = 2 * kBlockLineTime;

    bool scopeRunning() const { return m_scopeRunning; }
    bool triggerMode() const { return m_triggerMode; }
    std::uint64_t blocksSent() const { return m_blocksSent; }
    const ChipOptions& options() const { return m_options; }
    // The loop gains in force: the reset values until a write changes them. The servo signal
    // follows KP and KD from the next sample on; a replay and the known signals do not.
    const ChipGains& gains() const { return m_gains; }
    const ChipConfig& config() const { return m_config; }

private:
    struct PendingText
    {
        SimTime due;
        std::string bytes;
    };

    void execute(std::string_view command, SimTime now);
    void answer(std::string text, SimTime now);
    std::string unknownCommandAnswer(std::string_view command) const;
    void startScope(SimTime now);
    void setTriggerMode(bool on, SimTime now);
    void anchorChipTime(SimTime now);

    bool blockAllowed() const;
    std::optional<SimTime> nextBlockDue() const;
    SimTime wallTimeOfSample(std::uint64_t sample) const;
    std::string captureBlock();
    bool replayEnded() const;
    void takeNextRecordedBlock(bool startingOver);
    void appendDueBlocks(std::string& out, SimTime upTo);
    std::string dropBytes(std::string bytes);

    ChipConfig m_config;
    ChipOptions m_options;
    ChipGains m_gains;
    ServoSignal m_signal;
    SimRandom m_dropRandom;

    std::string m_line;
    bool m_lineOverflowed = false;
    std::deque<PendingText> m_texts;

    bool m_scopeRunning = false;
    bool m_triggerMode = false;
    std::uint64_t m_blocksSent = 0;
    std::optional<std::string> m_replayNext; // the recorded block that goes next; none: ended
    bool m_replayWaitsForReader = false;     // a recorded block went out since the reader was ready
    SimTime m_replaySentAt{0};               // when the last recorded block went out
    // Free-running and paced: when the next block has gone out on the line.
    SimTime m_nextBlockDue{0};
    // Trigger mode: chip time runs with the caller's clock from this pairing of a wall time
    // and a sample index, so moves (and the blocks captured from them) come at their real pace.
    SimTime m_anchorTime{0};
    std::uint64_t m_anchorSample = 0;
    // The latest time the caller has passed in; an unpaced block is always due by then.
    SimTime m_latestTime{0};
};

} // namespace kdsp
