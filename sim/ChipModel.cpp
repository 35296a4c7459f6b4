// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChipModel.h"

#include <algorithm>

namespace kdsp {

namespace {

// A different stream of random numbers for lost bytes, so that --drop-permille does not change
// the servo signal of a given seed.
constexpr std::uint64_t kDropSeedSalt = 0xD20F5EEDULL;

// When the caller was held up, at most this many overdue blocks go out in one go; the rest of
// the backlog is skipped, as a chip's UART cannot send faster than the line either.
constexpr int kMaxCatchUpBlocks = 4;

constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr char kUnprintableStandIn = '?';
constexpr std::string_view kOverflowMark = "...";

} // namespace

ChipModel::ChipModel(const ChipConfig& config)
    : m_config(config),
      m_signal(config.seed, config.timingDigit * kSamplePeriodPerDigit, config.knownSignal),
      m_dropRandom(config.seed ^ kDropSeedSalt)
{
    if (m_config.replay) {
        m_replayNext = m_config.replay->next();
    }
}

void ChipModel::receive(std::string_view bytes, SimTime now)
{
    m_latestTime = std::max(m_latestTime, now);
    if (m_config.mute) {
        return;
    }
    for (const char c : bytes) {
        if (c == kIgnoredLineFeed) {
            continue;
        }
        if (c == kCommandEnd) {
            if (m_lineOverflowed) {
                answer(unknownCommandAnswer(m_line + std::string(kOverflowMark)), now);
            } else {
                execute(m_line, now);
            }
            m_line.clear();
            m_lineOverflowed = false;
        } else if (m_line.size() < kMaxCommandLength) {
            m_line.push_back(c);
        } else {
            m_lineOverflowed = true;
        }
    }
}

void ChipModel::execute(std::string_view command, SimTime now)
{
    if (command == kTimingQuery) {
        if (m_config.timingReply) {
            answer(*m_config.timingReply, now);
        } else {
            answer(std::string(kTimingQuery) + static_cast<char>('0' + m_config.timingDigit) +
                       kCommandEnd,
                   now);
        }
    } else if (command == kStartScope) {
        // No answer: every byte after J1000 belongs to a block.
        startScope(now);
    } else if (command == kTriggerOn || command == kTriggerOff) {
        // No answer either; the stream keeps running (or stays stopped) as it was.
        setTriggerMode(command == kTriggerOn, now);
    } else if (command == kStopScope) {
        m_scopeRunning = false;
        answer(std::string(kScopeStoppedAnswer), now);
    } else if (command == kRegisterListing) {
        answer(registerListing(
                   {m_options, m_config.timingDigit, m_scopeRunning, m_triggerMode, m_gains}),
               now);
    } else if (command == kSpecialCommands) {
        answer(specialCommandList(), now);
    } else if (command == kFuseReport) {
        answer(fuseReport(m_options), now);
    } else if (auto confirmation = applyOptionCommand(command, m_options)) {
        answer(std::move(*confirmation), now);
    } else if (auto written = applyRegisterWrite(command, m_gains)) {
        m_signal.setLoopScales(proportionalScale(m_gains), derivativeScale(m_gains));
        answer(std::move(*written), now);
    } else {
        answer(unknownCommandAnswer(command), now);
    }
}

void ChipModel::answer(std::string text, SimTime now)
{
    m_texts.push_back({now + m_config.replyDelay, std::move(text)});
}

std::string ChipModel::unknownCommandAnswer(std::string_view command) const
{
    std::string out(kUnknownCommandPrefix);
    for (const char c : command) {
        out.push_back(c >= kFirstPrintable && c <= kLastPrintable ? c : kUnprintableStandIn);
    }
    out += kLineEnd;
    return out;
}

void ChipModel::startScope(SimTime now)
{
    if (m_scopeRunning) {
        return;
    }
    if (replayEnded()) {
        takeNextRecordedBlock(true);
    }
    m_replayWaitsForReader = false;
    m_scopeRunning = true;
    m_nextBlockDue = now + kBlockLineTime;
    anchorChipTime(now);
}

void ChipModel::setTriggerMode(bool on, SimTime now)
{
    if (m_triggerMode == on) {
        return;
    }
    m_triggerMode = on;
    m_nextBlockDue = now + kBlockLineTime;
    anchorChipTime(now);
}

void ChipModel::anchorChipTime(SimTime now)
{
    m_anchorTime = now;
    m_anchorSample = m_signal.sampleIndex();
}

SimTime ChipModel::wallTimeOfSample(std::uint64_t sample) const
{
    const auto samples = static_cast<std::int64_t>(sample - m_anchorSample);
    return m_anchorTime + samples * m_signal.samplePeriod();
}

bool ChipModel::replayEnded() const
{
    return m_config.replay && !m_replayNext;
}

void ChipModel::takeNextRecordedBlock(bool startingOver)
{
    m_replayNext = m_config.replay->next();
    if (!m_replayNext && m_config.replayLoop && !startingOver) {
        // The end of the recording: its first block follows at once.
        m_replayNext = m_config.replay->next();
    }
}

bool ChipModel::blockAllowed() const
{
    return m_scopeRunning && !replayEnded() &&
           (m_config.blockLimit == 0 || m_blocksSent < m_config.blockLimit);
}

std::optional<SimTime> ChipModel::nextBlockDue() const
{
    if (!blockAllowed()) {
        return std::nullopt;
    }
    if (!m_config.paced) {
        return m_latestTime;
    }
    if (m_config.replay) {
        return m_replayWaitsForReader ? std::max(m_nextBlockDue, m_replaySentAt + kReplayReaderWait)
                                      : m_nextBlockDue;
    }
    if (m_triggerMode) {
        // The block holds the samples from the move start on; it can leave only once they have
        // all been taken, and then needs its time on the line.
        return wallTimeOfSample(m_signal.nextMoveStart() + kBlockSamples) + kBlockLineTime;
    }
    return m_nextBlockDue;
}

std::string ChipModel::captureBlock()
{
    if (m_config.replay) {
        std::string block = std::move(*m_replayNext);
        takeNextRecordedBlock(false);
        ++m_blocksSent;
        return block;
    }
    if (m_triggerMode) {
        m_signal.skipTo(m_signal.nextMoveStart());
    }
    std::string block(kBlockSamples, '\0');
    for (char& sample : block) {
        sample = static_cast<char>(m_signal.next());
    }
    ++m_blocksSent;
    return block;
}

void ChipModel::appendDueBlocks(std::string& out, SimTime upTo)
{
    if (!m_config.paced) {
        if (blockAllowed()) {
            out += captureBlock();
        }
        return;
    }
    for (int caughtUp = 0; caughtUp < kMaxCatchUpBlocks; ++caughtUp) {
        const std::optional<SimTime> due = nextBlockDue();
        if (!due || *due > upTo) {
            return;
        }
        out += captureBlock();
        m_nextBlockDue += kBlockLineTime;
        if (m_config.replay) {
            // The next block keeps the line rate from the moment this one went out.
            m_nextBlockDue = std::max(m_nextBlockDue, upTo + kBlockLineTime);
            m_replaySentAt = upTo;
            m_replayWaitsForReader = true;
        }
    }
    const std::optional<SimTime> due = nextBlockDue();
    if (due && *due <= upTo) {
        // Still behind: forget the backlog and go on from here.
        m_nextBlockDue = upTo + kBlockLineTime;
        anchorChipTime(upTo);
    }
}

std::string ChipModel::takeOutput(SimTime now)
{
    m_latestTime = std::max(m_latestTime, now);
    std::string out;
    // Answers and blocks leave in the order they fell due: blocks due before the first waiting
    // answer, then that answer, and so on; blocks due after the last answer close the batch.
    while (!m_texts.empty() && m_texts.front().due <= now) {
        if (m_config.paced) {
            appendDueBlocks(out, m_texts.front().due - SimTime{1});
        }
        out += m_texts.front().bytes;
        m_texts.pop_front();
    }
    appendDueBlocks(out, now);
    return dropBytes(std::move(out));
}

std::optional<SimTime> ChipModel::nextDue() const
{
    std::optional<SimTime> due = nextBlockDue();
    if (!m_texts.empty()) {
        due = due ? std::min(*due, m_texts.front().due) : m_texts.front().due;
    }
    return due;
}

std::string ChipModel::dropBytes(std::string bytes)
{
    if (m_config.dropPermille <= 0) {
        return bytes;
    }
    std::erase_if(bytes, [this](char) { return m_dropRandom.chance(m_config.dropPermille); });
    return bytes;
}

} // namespace kdsp
