// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RunAnalyses.h"

#include "capture/CaptureFile.h"
#include "core/analysis/RunAnalysis.h"
#include "core/journal/JournalFiles.h"

#include <QDir>
#include <QFile>

RunAnalyses::RunAnalyses() = default;
RunAnalyses::~RunAnalyses() = default;

QString RunAnalyses::pathOf(const QString& folder, int number)
{
    return QDir(folder).filePath(JournalFiles::blocksFile(number));
}

const RunAnalysis* RunAnalyses::of(const QString& folder, int number, bool keep, QString& error)
{
    const QString path = pathOf(folder, number);
    if (const auto found = kept_.constFind(path); found != kept_.constEnd())
        return found->get();
    auto analysis = std::make_shared<RunAnalysis>(MoveFinder::Settings{});
    const CaptureFile::ReadResult read = CaptureFile::read(
        QFile::encodeName(path).toStdString(), [&](const CaptureCsv::RecordedBlock& block) {
            analysis->addBlock(block.number, block.value, block.timeGridMs);
        });
    // A torn last block (a run still being written, or a window killed mid-run) is left out;
    // anything else wrong with the file leaves the run without a plot.
    if (!read.cannotOpen.empty() || read.rows.error.line != 0) {
        error = QStringLiteral("%1: %2").arg(
            path, QString::fromStdString(CaptureFile::describeFault(read)));
        return nullptr;
    }
    if (keep) {
        kept_.insert(path, analysis);
    } else {
        unkept_ = analysis;
    }
    return analysis.get();
}
