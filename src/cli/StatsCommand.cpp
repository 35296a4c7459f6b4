// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StatsCommand.h"

#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/FiguresReport.h"
#include "capture/CaptureCsv.h"

#include <QFile>

#include <fstream>

namespace {
const QString kCannotRead = QStringLiteral("cannot read %1: %2");
// "run.csv: line 4: ...": what is wrong with the file, or what was left out of it.
const QString kAboutTheFile = QStringLiteral("%1: %2");
} // namespace

int StatsCommand::run(const CliOptions& options)
{
    // Opened through QFile first for the system's reason in the user's words.
    QFile probe(options.inputFile);
    if (!probe.open(QIODevice::ReadOnly)) {
        CliText::printError(kCannotRead.arg(options.inputFile, probe.errorString()));
        return ExitStatus::kIoFailure;
    }
    probe.close();
    std::ifstream input(QFile::encodeName(options.inputFile).toStdString(), std::ios::binary);

    FiguresReport report(options.json);
    QString printed;
    const CaptureCsv::ReadResult file =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& block) {
            BlockStats::Accumulator sums;
            for (const int value : block.value) {
                if (value != CaptureCsv::kMissing)
                    sums.add(value);
            }
            printed += report.addBlock(block.number, sums);
        });
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
