// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cuts the scope's stream into runs, from the core's signals alone. A run is the blocks that
// arrive between a start of the scope (Start, Triger on, Triger off) and the end of the stream
// (any verb that stops the chip, another start, a port failure, shutdown); a start that receives
// no block makes no run. A run begins at its first block: its label is what was sent to the chip
// since the previous run ended, its register listing the one last received before it. Its
// figures are worked out as the blocks arrive, with the analysis `trevalon-cli analyse` uses and
// its default settings, in memory that does not grow with the run.

#include "core/SharedState.h"
#include "core/analysis/BlockLevels.h"
#include "core/analysis/MoveFinder.h"
#include "core/runs/RunRecord.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class Core;
class RunAnalysis;

class RunCutter : public QObject
{
    Q_OBJECT

public:
    // A register listing longer than this is kept cut at this length.
    static constexpr qsizetype kListingCap = qsizetype(64) * 1024;

    explicit RunCutter(Core& core, QObject* parent = nullptr);
    ~RunCutter() override;

    // The wall clock the runs' times are read from; tests set their own.
    void setClock(std::function<QDateTime()> clock);

    // The run under way, or nothing between runs.
    const RunRecord* currentRun() const;
    // The run under way's figures so far, as they would be if it ended now; nothing between
    // runs. Worked out afresh on each call (quartiles and the spectrum's peak), so a view asks
    // at its own pace, not per block.
    std::optional<RunFigures::Values> currentFigures() const;
    // Runs begun so far in this session.
    int runsBegun() const { return runsBegun_; }

    // The grid a capture file's reader finds for a block recorded on `timeGridMs`: the time of
    // its last sample received, as the file's time column rounds it, over that sample's number.
    // The run's figures are worked out on it, so they equal those of its file.
    static double gridAsRecorded(const SampleBlock& block, double timeGridMs);

Q_SIGNALS:
    // At the run's first block, before runBlock for it.
    void runStarted(const RunRecord& run);
    // Each block of the run, numbered from 1 (`run.blocks` counts it), with the grid it came on.
    void runBlock(const RunRecord& run, const SampleBlock& block, double timeGridMs);
    // The run is over: its end time and figures are set.
    void runEnded(const RunRecord& run);

private:
    void startAwaited();
    void endRun();
    void takeBlock(const SampleBlock& block);
    void takeConsoleText(const QString& characters);
    void takeSent(const QString& command);
    void stopTakingListing();

    Core& core_;
    std::function<QDateTime()> clock_;
    bool awaiting_ = false; // a start was made and no end has come since
    std::unique_ptr<RunRecord> run_;
    // Blocks are analysed in batches: one block at a time, every 26 ms, each finds the analysis's
    // tables and transform cold, at several times the cost of a batch. The batch is analysed
    // when it is full, when the figures are asked for and when the run ends.
    struct PendingBlock
    {
        BlockLevels::Values values;
        double timeGridMs;
    };
    static constexpr std::size_t kBatch = 16;
    void analysePending() const;
    mutable std::unique_ptr<RunAnalysis> analysis_;
    mutable std::vector<PendingBlock> pending_;
    int runsBegun_ = 0;
    QStringList pendingSent_;
    QString listing_;
    // What was sent since the register listing was asked for, up to kSentSinceListingCap items.
    QStringList sentSinceListing_;
    static constexpr qsizetype kSentSinceListingCap = 64;
    bool takingListing_ = false;
};
