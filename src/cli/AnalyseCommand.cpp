// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyseCommand.h"

#include "capture/CaptureFile.h"
#include "cli/AnalysisPrinter.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/analysis/RunAnalysis.h"
#include "report/AnalysisReport.h"

#include "core/journal/JournalFiles.h"
#include "core/journal/JournalReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {
struct Input
{
    QString path;
    QString label; // null: not known
};

// The files to read: each file given, and for each session folder of the journal its runs' blocks
// in order, labelled with what was sent before each. Nothing, with the reason, for a folder that
// is no session.
std::optional<std::vector<Input>> inputsOf(const QStringList& paths, QString& error)
{
    std::vector<Input> inputs;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            inputs.push_back({path, QString()});
            continue;
        }
        const std::optional<JournalReader::Session> session =
            JournalReader::session(QString(), path, error);
        if (!session)
            return std::nullopt;
        for (const QString& message : session->messages)
            CliText::printError(message);
        for (const RunRecord& run : session->runs)
            inputs.push_back({QDir(session->folder).filePath(JournalFiles::blocksFile(run.number)),
                              run.label().isNull() ? QStringLiteral("") : run.label()});
    }
    return inputs;
}

const QString kCannotRead = QStringLiteral("cannot read %1: %2");
const QString kCannotWrite = QStringLiteral("cannot write %1: %2");
const QString kAboutTheFile = QStringLiteral("%1: %2");
} // namespace

int AnalyseCommand::run(const CliOptions& options)
{
    AnalysisPrinter printer(options.json, stdout);
    std::vector<std::unique_ptr<RunAnalysis>> analyses;
    std::vector<AnalysisPrinter::Run> runs;
    std::vector<FailedCondition> failed;
    // What has been printed is ended there, a JSON document closed with the failure.
    const auto failWith = [&printer](const QString& error, int status) {
        printer.endWithError(error);
        CliText::printError(error);
        return status;
    };
    QString inputError;
    const std::optional<std::vector<Input>> inputs = inputsOf(options.inputFiles, inputError);
    if (!inputs)
        return failWith(inputError, ExitStatus::kIoFailure);
    for (const auto& [path, label] : *inputs) {
        auto analysis = std::make_unique<RunAnalysis>(options.moveSettings);
        printer.beginRun(path, label);
        // The moves are printed as they are found and forgotten: memory stays flat.
        const CaptureFile::ReadResult read = CaptureFile::read(
            QFile::encodeName(path).toStdString(), [&](const CaptureCsv::RecordedBlock& block) {
                const double grid = options.timeGridMs.value_or(block.timeGridMs);
                const auto& moves = analysis->addBlock(block.number, block.value, grid);
                printer.printMoves(block.number, moves, grid, options.moveSettings);
            });
        if (!read.cannotOpen.empty())
            return failWith(kCannotRead.arg(path, QString::fromStdString(read.cannotOpen)),
                            ExitStatus::kIoFailure);
        if (read.rows.error.line != 0)
            return failWith(kAboutTheFile.arg(path, QString::fromStdString(
                                                        CaptureCsv::describe(read.rows.error))),
                            ExitStatus::kUsage);
        // A recording cut short is still a recording: the analysis is that of its whole blocks.
        if (read.rows.droppedFromLine != 0)
            CliText::printError(
                kAboutTheFile.arg(path, QString::fromStdString(CaptureCsv::describeDroppedTail(
                                            read.rows.droppedFromLine))));
        printer.endRun(*analysis, read.rows.droppedFromLine);
        runs.push_back({path, analysis->figures(), label});
        const std::vector<FailedCondition> failedHere =
            failedConditions(options.failConditions, path, runs.back().figures);
        failed.insert(failed.end(), failedHere.begin(), failedHere.end());
        analyses.push_back(std::move(analysis));
    }
    // The page is written before the document ends, so that the document can say it was not.
    QString reportError;
    if (!options.reportFile.isEmpty()) {
        std::vector<AnalysisReport::Run> reported;
        for (std::size_t i = 0; i < runs.size(); ++i)
            reported.push_back({runs[i].path, analyses[i].get(), runs[i].label});
        QString reason;
        if (!AnalysisReport::write(options.reportFile, reported, reason))
            reportError = kCannotWrite.arg(options.reportFile, reason);
    }
    printer.finish(runs, failed, reportError);
    if (!printer.written()) {
        CliText::printError(QStringLiteral("standard output could not be written"));
        return ExitStatus::kIoFailure;
    }
    if (!reportError.isEmpty()) {
        CliText::printError(reportError);
        return ExitStatus::kIoFailure;
    }
    return failed.empty() ? ExitStatus::kDone : ExitStatus::kFailed;
}
