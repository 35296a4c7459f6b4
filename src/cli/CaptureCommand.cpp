// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CaptureCommand.h"

#include "capture/CaptureOutput.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"
#include "cli/SignalWatch.h"
#include "core/Core.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
const QString kNoTiming = QStringLiteral("the chip did not answer the timing query");
const QString kNoBlock = QStringLiteral("the chip sent no block for %1 ms");
const QString kCannotOpen = QStringLiteral("cannot write %1: %2");
const QString kCannotWrite = QStringLiteral("the CSV could not be written: %1");
// A failure with no message of its own (none is expected) still makes the report say it failed.
const QString kFailedStatus = QStringLiteral("the capture failed with status %1");
} // namespace

CaptureCommand::CaptureCommand(Session& session, const CliOptions& options)
    : session_(session), options_(options)
{
}

CaptureCommand::~CaptureCommand() = default;

bool CaptureCommand::openOutput()
{
    if (options_.outputFile.isEmpty()) {
        output_ = CaptureCsv::CaptureOutput::standardOutput();
        return true;
    }
    std::string reason;
    output_ = CaptureCsv::CaptureOutput::create(
        QFile::encodeName(options_.outputFile).toStdString(), reason);
    if (output_)
        return true;
    CliText::printError(kCannotOpen.arg(options_.outputFile, QString::fromStdString(reason)));
    return false;
}

bool CaptureCommand::write(std::string_view text)
{
    // Whole blocks go out at once, so an interrupted capture leaves whole rows.
    if (output_->write(text))
        return true;
    if (end_ != End::OutputFailed)
        CliText::printError(kCannotWrite.arg(QString::fromStdString(output_->error())));
    endWith(End::OutputFailed);
    return false;
}

void CaptureCommand::endWith(End end)
{
    if (end_ != End::Running)
        return;
    end_ = end;
    if (loop_)
        loop_->quit();
}

void CaptureCommand::takeBlock(const SampleBlock& block)
{
    // The trigger-on button lets blocks flow during its own wait; those count, as the window
    // plots them. Blocks beyond the count, before the stop goes out, are left out.
    if (end_ != End::Running)
        return;
    if (!write(rows_.rowsOf(blocksWritten_ + 1, block, session_.core.timeGrid())))
        return;
    ++blocksWritten_;
    if (figures_)
        std::fputs(figures_->addBlock(blocksWritten_, BlockStats::sumsOf(block)).toLocal8Bit(),
                   stderr);
    if (analysis_) {
        const double grid = session_.core.timeGrid();
        analysisPrinter_->printMoves(
            blocksWritten_, analysis_->addBlock(blocksWritten_, BlockLevels::valuesOf(block), grid),
            grid, options_.moveSettings);
    }
    showProgress();
    if (blockTimer_)
        blockTimer_->start(kBlockTimeout);
    if (blocksWritten_ >= options_.blocks)
        endWith(End::AllBlocks);
}

void CaptureCommand::showProgress() const
{
    if (progress_)
        std::fprintf(stderr, "\rblock %d of %d", blocksWritten_, options_.blocks);
}

void CaptureCommand::start()
{
    Core& core = session_.core;
    switch (options_.trigger) {
    case CaptureTrigger::On:
        core.startTriggered();
        break;
    case CaptureTrigger::Off:
        core.startUntriggered();
        break;
    case CaptureTrigger::None:
        core.startScope();
        break;
    }
}

int CaptureCommand::run()
{
    // A reader that goes away (a closed pipe) must show as a failed write, not end the program
    // before the chip has been stopped.
    std::signal(SIGPIPE, SIG_IGN);
    if (!openOutput())
        return ExitStatus::kIoFailure;
    progress_ = ::isatty(STDERR_FILENO) == 1 && !options_.stats && !options_.analyse;
    if (options_.stats || options_.analyse)
        heldErrors_.emplace();
    if (options_.stats)
        figures_.emplace(options_.json);
    if (options_.analyse) {
        analysis_ = std::make_unique<RunAnalysis>(options_.moveSettings);
        analysisPrinter_.emplace(options_.json, stderr);
        analysisPrinter_->beginRun(runName());
    }

    SignalWatch interrupts;
    connect(&interrupts, &SignalWatch::received, this, [this] { endWith(End::Stopped); });
    Core& core = session_.core;
    connect(&core, &Core::blockReceived, this, &CaptureCommand::takeBlock);
    connect(&core, &Core::portErrorReported, this, [this] { endWith(End::PortFailed); });

    if (!write(CsvRows::kHeader))
        return finish();
    started_ = true;
    start();
    if (session_.failureStatus())
        return finish();
    if (core.timeGrid() == 0) {
        // Without the grid no row would have its time; the chip is stopped all the same.
        CliText::printError(kNoTiming);
        core.stopScope();
        const int status = session_.failureStatus().value_or(ExitStatus::kNoAnswer);
        closeReports(status);
        return status;
    }

    if (end_ == End::Running) {
        QEventLoop loop;
        QTimer blockTimer;
        blockTimer.setSingleShot(true);
        connect(&blockTimer, &QTimer::timeout, this, [this] { endWith(End::NoBlock); });
        loop_ = &loop;
        blockTimer_ = &blockTimer;
        blockTimer.start(kBlockTimeout);
        loop.exec();
        loop_ = nullptr;
        blockTimer_ = nullptr;
    }
    return finish();
}

int CaptureCommand::finish()
{
    if (progress_ && blocksWritten_ > 0)
        std::fputc('\n', stderr);
    const int status = stop();
    // The blocks taken before a failure have their figures all the same.
    const bool conditionHeld = closeReports(status);
    return status == ExitStatus::kDone && conditionHeld ? ExitStatus::kFailed : status;
}

int CaptureCommand::stop()
{
    // A port that failed has nothing to stop: the device is gone or was never reached.
    if (const auto failed = session_.failureStatus())
        return *failed;
    if (started_)
        session_.core.stopScope();
    output_.reset();
    if (const auto failed = session_.failureStatus())
        return *failed;
    switch (end_) {
    case End::NoBlock:
        CliText::printError(kNoBlock.arg(kBlockTimeout.count()));
        return ExitStatus::kNoAnswer;
    case End::OutputFailed:
        return ExitStatus::kIoFailure;
    default:
        return ExitStatus::kDone;
    }
}

bool CaptureCommand::closeReports(int status)
{
    QString error;
    if (status != ExitStatus::kDone && heldErrors_) {
        error = heldErrors_->first();
        if (error.isEmpty())
            error = kFailedStatus.arg(status);
    }
    if (figures_)
        std::fputs(figures_->end(error).toLocal8Bit(), stderr);
    bool conditionHeld = false;
    if (analysis_) {
        analysisPrinter_->endRun(*analysis_);
        const std::vector<AnalysisPrinter::Run> runs{{runName(), analysis_->figures(), QString()}};
        const std::vector<FailedCondition> failed =
            failedConditions(options_.failConditions, runName(), runs.front().figures);
        analysisPrinter_->finish(runs, failed, error);
        conditionHeld = !failed.empty();
    }
    std::fflush(stderr);
    heldErrors_.reset();
    return conditionHeld;
}

QString CaptureCommand::runName() const
{
    return options_.outputFile.isEmpty() ? QStringLiteral("capture") : options_.outputFile;
}
