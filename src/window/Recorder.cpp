// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Recorder.h"

#include "core/Core.h"
#include "capture/CaptureFile.h"
#include "capture/CaptureOutput.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
const QString kCannotWrite = QStringLiteral("%1: %2");
const QString kNotACapture = QStringLiteral("%1 is not a capture file to add to (%2)");
const QString kEndsInsideMember = QStringLiteral(
    "its last whole block ends inside a compressed piece, after which nothing can be added");
const QString kStoppedRecording = QStringLiteral("trevalon: recording to %1 stopped: %2\n");
const QString kCutBack =
    QStringLiteral("trevalon: %1: %2; it is cut off, and this recording goes on after block %3\n");

// What a file to record into already holds.
struct Held
{
    long long lastBlock = 0;       // the last whole block's number; 0 for a new or empty file
    std::uint64_t keptLength = 0;  // where its last whole block ends
    long long droppedFromLine = 0; // the first line of a torn last block; 0 when there is none
    bool compressed = false;
};

// Nothing, with the reason, when the file is something other than a capture.
std::optional<Held> heldIn(const QString& path, QString& reason)
{
    const std::string name = QFile::encodeName(path).toStdString();
    Held held;
    held.compressed = CaptureFile::compressedByName(name);
    if (QFileInfo(path).size() == 0)
        return held;
    const CaptureFile::ReadResult file = CaptureFile::read(
        name, [&](const CaptureCsv::RecordedBlock& b) { held.lastBlock = b.number; });
    if (!file.fine() || !file.keptLength) {
        reason = file.fine() ? kEndsInsideMember
                             : QString::fromStdString(CaptureFile::describeFault(file));
        return std::nullopt;
    }
    held.keptLength = *file.keptLength;
    held.droppedFromLine = file.rows.droppedFromLine;
    held.compressed = file.compressed;
    return held;
}
} // namespace

std::unique_ptr<Recorder> Recorder::start(const QString& path, Core& core, QString& error)
{
    QString reason;
    const std::optional<Held> held = heldIn(path, reason);
    if (!held) {
        error = kNotACapture.arg(path, reason);
        return nullptr;
    }
    std::unique_ptr<Recorder> recorder(new Recorder(core, path, held->lastBlock));
    // A torn block left by a run cut short goes, or the new blocks would follow its broken rows
    // and the file would no longer read; so do empty lines after the last row.
    std::string failure;
    recorder->output_ = CaptureCsv::CaptureOutput::goOn(
        QFile::encodeName(path).toStdString(), held->keptLength, held->compressed, failure);
    if (!recorder->output_) {
        error = kCannotWrite.arg(path, QString::fromStdString(failure));
        return nullptr;
    }
    if (held->droppedFromLine != 0) {
        const QString dropped =
            QString::fromStdString(CaptureCsv::describeDroppedTail(held->droppedFromLine));
        std::fputs(qPrintable(kCutBack.arg(path, dropped).arg(held->lastBlock)), stderr);
    }
    if (held->keptLength == 0 && !recorder->output_->write(CsvRows::kHeader)) {
        error = kCannotWrite.arg(path, QString::fromStdString(recorder->output_->error()));
        return nullptr;
    }
    connect(&core, &Core::blockReceived, recorder.get(), &Recorder::takeBlock);
    return recorder;
}

Recorder::Recorder(Core& core, const QString& path, long long lastBlock)
    : core_(core), path_(path), lastBlock_(lastBlock)
{
}

Recorder::~Recorder() = default;

void Recorder::takeBlock(const SampleBlock& block)
{
    if (failed_)
        return;
    if (!output_->write(rows_.rowsOf(lastBlock_ + 1, block, core_.timeGrid()))) {
        // Told once; the window goes on without recording.
        failed_ = true;
        failure_ = QString::fromStdString(output_->error());
        std::fputs(qPrintable(kStoppedRecording.arg(path_, failure_)), stderr);
        return;
    }
    ++lastBlock_;
    ++blocksWritten_;
}
