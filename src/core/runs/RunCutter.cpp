// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/runs/RunCutter.h"

#include "core/Core.h"
#include "core/analysis/RunAnalysis.h"
#include "core/scope/CsvRows.h"

RunCutter::RunCutter(Core& core, QObject* parent)
    : QObject(parent), core_(core), clock_([] { return QDateTime::currentDateTime(); })
{
    connect(&core, &Core::scopeStarting, this, &RunCutter::startAwaited);
    connect(&core, &Core::streamEnding, this, [this] {
        awaiting_ = false;
        endRun();
    });
    connect(&core, &Core::portErrorReported, this, [this] {
        awaiting_ = false;
        endRun();
    });
    connect(&core, &Core::blockReceived, this, &RunCutter::takeBlock);
    connect(&core, &Core::lineSent, this, &RunCutter::takeSent);
    connect(&core, &Core::optionSent, this, &RunCutter::takeSent);
    connect(&core, &Core::listingAsked, this, [this](Core::Listing listing) {
        takingListing_ = listing == Core::Listing::Registers;
        if (takingListing_) {
            listing_.clear();
            sentSinceListing_.clear();
        }
    });
    connect(&core, &Core::consoleCleared, this, [this] {
        if (takingListing_)
            listing_.clear();
    });
    connect(&core, &Core::consoleAppended, this, &RunCutter::takeConsoleText);
}

RunCutter::~RunCutter() = default;

void RunCutter::setClock(std::function<QDateTime()> clock)
{
    clock_ = std::move(clock);
}

const RunRecord* RunCutter::currentRun() const
{
    return run_.get();
}

std::optional<RunFigures::Values> RunCutter::currentFigures() const
{
    if (!analysis_)
        return std::nullopt;
    analysePending();
    return analysis_->figures();
}

void RunCutter::startAwaited()
{
    stopTakingListing();
    endRun();
    awaiting_ = true;
}

void RunCutter::stopTakingListing()
{
    takingListing_ = false;
}

void RunCutter::takeSent(const QString& command)
{
    stopTakingListing();
    pendingSent_ << command;
    if (sentSinceListing_.size() < kSentSinceListingCap)
        sentSinceListing_ << command;
}

void RunCutter::takeConsoleText(const QString& characters)
{
    if (!takingListing_ || listing_.size() >= kListingCap)
        return;
    listing_.append(QStringView(characters).left(kListingCap - listing_.size()));
}

void RunCutter::takeBlock(const SampleBlock& block)
{
    // Blocks drawn outside a run (the tail of a stream being stopped) belong to none.
    if (!awaiting_)
        return;
    const double grid = core_.timeGrid();
    if (!run_) {
        run_ = std::make_unique<RunRecord>();
        run_->number = ++runsBegun_;
        run_->start = clock_();
        run_->portNumber = core_.portNumber();
        run_->device = core_.portDevice();
        run_->timeGridMs = grid;
        run_->sent = pendingSent_;
        run_->registerListing = listing_;
        if (!listing_.isEmpty())
            run_->sentSinceListing = sentSinceListing_;
        pendingSent_.clear();
        analysis_ = std::make_unique<RunAnalysis>(MoveFinder::Settings{});
        pending_.reserve(kBatch);
        Q_EMIT runStarted(*run_);
    }
    ++run_->blocks;
    pending_.push_back({BlockLevels::valuesOf(block), gridAsRecorded(block, grid)});
    if (pending_.size() >= kBatch)
        analysePending();
    Q_EMIT runBlock(*run_, block, grid);
}

void RunCutter::endRun()
{
    if (!run_)
        return;
    analysePending();
    // Taken out first: a slot that ends the session again finds no run.
    const std::unique_ptr<RunRecord> run = std::move(run_);
    const std::unique_ptr<RunAnalysis> analysis = std::move(analysis_);
    run->end = clock_();
    run->figures = analysis->figures();
    Q_EMIT runEnded(*run);
}

void RunCutter::analysePending() const
{
    // The run's blocks are numbered from 1; the pending ones are its last.
    long long number = run_ ? run_->blocks - static_cast<long long>(pending_.size()) : 0;
    for (const PendingBlock& block : pending_)
        analysis_->addBlock(++number, block.values, block.timeGridMs);
    pending_.clear();
}

double RunCutter::gridAsRecorded(const SampleBlock& block, double timeGridMs)
{
    for (int sample = kBlockSize; sample >= 1; --sample) {
        if (!block.entry[static_cast<std::size_t>(sample)])
            continue;
        const QString time = CsvRows::plainNumber(CsvRows::timeReadout(sample, timeGridMs));
        return time.toDouble() / sample;
    }
    return timeGridMs;
}
