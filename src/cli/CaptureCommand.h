// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "capture": Start's sequence (or a trigger button's), blocks written as CSV as they arrive
// (gzip-compressed when the output file's name ends in ".gz"), and
// Stop's sequence at the end, after the blocks asked for, on SIGINT or SIGTERM, or when the
// output can no longer be written.

#include "cli/AnalysisPrinter.h"
#include "cli/FiguresReport.h"
#include "core/SharedState.h"
#include "core/analysis/RunAnalysis.h"
#include "core/scope/CsvRows.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

namespace CaptureCsv {
class CaptureOutput;
}
class QEventLoop;
class QTimer;
class Session;
struct CliOptions;

class CaptureCommand : public QObject
{
    Q_OBJECT

public:
    // How long the chip may leave the line without a block (one takes 26 ms at the line rate).
    static constexpr std::chrono::milliseconds kBlockTimeout{3000};

    CaptureCommand(Session& session, const CliOptions& options);
    ~CaptureCommand() override;
    int run();

private:
    enum class End { Running, AllBlocks, Stopped, NoBlock, OutputFailed, PortFailed };

    bool openOutput();
    void start();
    void takeBlock(const SampleBlock& block);
    bool write(std::string_view text);
    void endWith(End end);
    void showProgress() const;
    int finish();
    // The analysis's end; true when a --fail-if condition held.
    bool finishAnalysis();
    // The run's name in the analysis: the CSV file, or "capture" on standard output.
    QString runName() const;

    Session& session_;
    const CliOptions& options_;
    std::unique_ptr<CaptureCsv::CaptureOutput> output_;
    CsvRows::Maker rows_;
    QEventLoop* loop_ = nullptr;  // while waiting for blocks
    QTimer* blockTimer_ = nullptr;
    End end_ = End::Running;
    int blocksWritten_ = 0;
    bool progress_ = false;
    bool started_ = false; // Start's sequence has run, so Stop's is due
    std::optional<FiguresReport> figures_; // with --stats, printed on standard error
    QString heldFigures_;                  // with --stats --json, the blocks' part until the end
    // With --analyse, printed on standard error as the blocks come.
    std::unique_ptr<RunAnalysis> analysis_;
    std::optional<AnalysisPrinter> analysisPrinter_;
};
