// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "capture": Start's sequence (or a trigger button's), blocks written as CSV as they arrive
// (gzip-compressed when the output file's name ends in ".gz"), and
// Stop's sequence at the end, after the blocks asked for, on SIGINT or SIGTERM, or when the
// output can no longer be written.

#include "cli/AnalysisPrinter.h"
#include "cli/CliText.h"
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
    // Stop's sequence when it is due and the output closed; the run's status, bar --fail-if.
    int stop();
    // The reports' ends on standard error, whole documents even for a run that failed (`status`
    // not kDone), then the run's held messages; true when a --fail-if condition held.
    bool closeReports(int status);
    // The run's name in the analysis: the CSV file, or "capture" on standard output.
    QString runName() const;

    Session& session_;
    const CliOptions& options_;
    std::unique_ptr<CaptureCsv::CaptureOutput> output_;
    CsvRows::Maker rows_;
    QEventLoop* loop_ = nullptr; // while waiting for blocks
    QTimer* blockTimer_ = nullptr;
    End end_ = End::Running;
    int blocksWritten_ = 0;
    bool progress_ = false;
    bool started_ = false; // Start's sequence has run, so Stop's is due
    // With --stats and --analyse, printed on standard error as the blocks come: holding them
    // would make the memory grow with the run.
    std::optional<FiguresReport> figures_;
    std::unique_ptr<RunAnalysis> analysis_;
    std::optional<AnalysisPrinter> analysisPrinter_;
    // While a report is printed, the run's messages wait until it is whole.
    std::optional<CliText::HeldErrors> heldErrors_;
};
