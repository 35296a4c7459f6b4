// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Recorder.h"

#include "core/Core.h"
#include "capture/CaptureCsv.h"
#include "core/scope/CsvRows.h"

#include <cstdio>
#include <fstream>

namespace {
const QString kCannotWrite = QStringLiteral("%1: %2");
const QString kNotACapture = QStringLiteral("%1 is not a capture file to add to (%2)");
const QString kStoppedRecording = QStringLiteral("trevalon: recording to %1 stopped: %2\n");
const QString kCutBack =
    QStringLiteral("trevalon: %1: %2; it is cut off, and this recording goes on after block %3\n");

// What a file to record into already holds.
struct Held
{
    long long lastBlock = 0;       // the last whole block's number; 0 for a new or empty file
    qint64 wholeLength = 0;        // where its last whole block ends
    long long droppedFromLine = 0; // the first line of a torn last block; 0 when there is none
};

// Nothing, with the reason, when the file is something other than a capture.
std::optional<Held> heldIn(const QString& path, QString& reason)
{
    std::ifstream input(QFile::encodeName(path).toStdString(), std::ios::binary);
    if (!input || input.peek() == std::ifstream::traits_type::eof())
        return Held{};
    Held held;
    const CaptureCsv::ReadResult file = CaptureCsv::read(
        input, [&](const CaptureCsv::RecordedBlock& b) { held.lastBlock = b.number; });
    if (file.error.line != 0) {
        reason = QString::fromStdString(CaptureCsv::describe(file.error));
        return std::nullopt;
    }
    held.wholeLength = static_cast<qint64>(file.wholeLength);
    held.droppedFromLine = file.droppedFromLine;
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
    std::unique_ptr<Recorder> recorder(new Recorder(core, held->lastBlock));
    QFile& file = recorder->file_;
    file.setFileName(path);
    // Unbuffered: each block reaches the system in one write as soon as it is received.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = kCannotWrite.arg(path, file.errorString());
        return nullptr;
    }
    // A torn block left by a run cut short goes, or the new blocks would follow its broken rows
    // and the file would no longer read; so do empty lines after the last row.
    if (file.size() > held->wholeLength && held->wholeLength > 0) {
        if (!file.resize(held->wholeLength)) {
            error = kCannotWrite.arg(path, file.errorString());
            return nullptr;
        }
        if (held->droppedFromLine != 0) {
            const QString dropped =
                QString::fromStdString(CaptureCsv::describeDroppedTail(held->droppedFromLine));
            std::fputs(qPrintable(kCutBack.arg(path, dropped).arg(held->lastBlock)), stderr);
        }
    }
    if (file.size() == 0 &&
        file.write(CsvRows::kHeader.toUtf8()) != CsvRows::kHeader.toUtf8().size()) {
        error = kCannotWrite.arg(path, file.errorString());
        return nullptr;
    }
    connect(&core, &Core::blockReceived, recorder.get(), &Recorder::takeBlock);
    return recorder;
}

Recorder::Recorder(Core& core, long long lastBlock) : core_(core), lastBlock_(lastBlock) {}

void Recorder::takeBlock(const SampleBlock& block)
{
    if (failed_)
        return;
    const QByteArray rows =
        CsvRows::forBlock(static_cast<int>(lastBlock_ + 1), block, core_.timeGrid()).toUtf8();
    if (file_.write(rows) != rows.size()) {
        // Told once; the window goes on without recording.
        failed_ = true;
        failure_ = file_.errorString();
        std::fputs(qPrintable(kStoppedRecording.arg(file_.fileName(), file_.errorString())),
                   stderr);
        return;
    }
    ++lastBlock_;
    ++blocksWritten_;
}
