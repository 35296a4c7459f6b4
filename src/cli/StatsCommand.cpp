// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StatsCommand.h"

#include "capture/CaptureFile.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/FiguresReport.h"

#include <QFile>

#include <cstdio>

namespace {
const QString kCannotRead = QStringLiteral("cannot read %1: %2");
// "run.csv: line 4: ...": what is wrong with the file, or what was left out of it.
const QString kAboutTheFile = QStringLiteral("%1: %2");
const QString kCannotPrint = QStringLiteral("standard output could not be written");
} // namespace

int StatsCommand::run(const CliOptions& options)
{
    FiguresReport report(options.json);
    // Each block's figures go out as they are worked out, through the stream's buffer, so the
    // memory stays the same for an hour's recording as for a minute's.
    bool printed = true;
    const CaptureFile::ReadResult read = CaptureFile::read(
        QFile::encodeName(options.inputFile).toStdString(),
        [&](const CaptureCsv::RecordedBlock& block) {
            BlockStats::Accumulator sums;
            for (const int value : block.value) {
                if (value != CaptureCsv::kMissing)
                    sums.add(value);
            }
            const QByteArray text = report.addBlock(block.number, sums).toLocal8Bit();
            printed =
                printed && std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()),
                                       stdout) == static_cast<std::size_t>(text.size());
        });
    if (!read.cannotOpen.empty()) {
        CliText::printError(
            kCannotRead.arg(options.inputFile, QString::fromStdString(read.cannotOpen)));
        return ExitStatus::kIoFailure;
    }
    const CaptureCsv::ReadResult& file = read.rows;
    if (file.error.line != 0) {
        // A file that is not a capture is refused at its header, before anything is printed; a
        // fault further on ends the report where it is found: the JSON document is closed there,
        // with the fault as its "error" and no run figures.
        const QString fault = kAboutTheFile.arg(
            options.inputFile, QString::fromStdString(CaptureCsv::describe(file.error)));
        const QByteArray rest = report.endCutShort(fault).toLocal8Bit();
        std::fwrite(rest.constData(), 1, static_cast<std::size_t>(rest.size()), stdout);
        std::fflush(stdout);
        CliText::printError(fault);
        return ExitStatus::kUsage;
    }
    // A recording cut short is still a recording: the figures are those of its whole blocks.
    if (file.droppedFromLine != 0) {
        CliText::printError(kAboutTheFile.arg(
            options.inputFile,
            QString::fromStdString(CaptureCsv::describeDroppedTail(file.droppedFromLine))));
        report.noteDroppedTail(file.droppedFromLine);
    }
    if (!printed) {
        CliText::printError(kCannotPrint);
        return ExitStatus::kIoFailure;
    }
    return CliText::printResult(report.end()) ? ExitStatus::kDone : ExitStatus::kIoFailure;
}
