// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StatsCommand.h"

#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/FiguresReport.h"
#include "capture/CaptureFile.h"

#include <QFile>

namespace {
const QString kCannotRead = QStringLiteral("cannot read %1: %2");
// "run.csv: line 4: ...": what is wrong with the file, or what was left out of it.
const QString kAboutTheFile = QStringLiteral("%1: %2");
} // namespace

int StatsCommand::run(const CliOptions& options)
{
    FiguresReport report(options.json);
    QString printed;
    const CaptureFile::ReadResult read = CaptureFile::read(
        QFile::encodeName(options.inputFile).toStdString(),
        [&](const CaptureCsv::RecordedBlock& block) {
            BlockStats::Accumulator sums;
            for (const int value : block.value) {
                if (value != CaptureCsv::kMissing)
                    sums.add(value);
            }
            printed += report.addBlock(block.number, sums);
        });
    if (!read.cannotOpen.empty()) {
        CliText::printError(
            kCannotRead.arg(options.inputFile, QString::fromStdString(read.cannotOpen)));
        return ExitStatus::kIoFailure;
    }
    const CaptureCsv::ReadResult& file = read.rows;
    if (file.error.line != 0) {
        // Nothing is printed for a file that is not a capture: half a report would mislead.
        CliText::printError(kAboutTheFile.arg(
            options.inputFile, QString::fromStdString(CaptureCsv::describe(file.error))));
        return ExitStatus::kUsage;
    }
    // A recording cut short is still a recording: the figures are those of its whole blocks.
    if (file.droppedFromLine != 0) {
        CliText::printError(kAboutTheFile.arg(
            options.inputFile,
            QString::fromStdString(CaptureCsv::describeDroppedTail(file.droppedFromLine))));
        report.noteDroppedTail(file.droppedFromLine);
    }
    return CliText::printResult(printed + report.end()) ? ExitStatus::kDone
                                                        : ExitStatus::kIoFailure;
}
