// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/record/CaptureWriter.h"

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

CaptureWriter::CaptureWriter(std::unique_ptr<CaptureCsv::CaptureOutput> output)
    : output_(std::move(output))
{
}

CaptureWriter::~CaptureWriter() = default;

std::unique_ptr<CaptureWriter> CaptureWriter::create(const QString& path, QString& error)
{
    std::string failure;
    auto output = CaptureCsv::CaptureOutput::create(QFile::encodeName(path).toStdString(), failure);
    if (!output || !output->write(CsvRows::kHeader)) {
        error = kCannotWrite.arg(path, QString::fromStdString(output ? output->error() : failure));
        return nullptr;
    }
    return std::unique_ptr<CaptureWriter>(new CaptureWriter(std::move(output)));
}

std::unique_ptr<CaptureWriter> CaptureWriter::append(const QString& path, long long& lastBlock,
                                                     QString& error)
{
    QString reason;
    const std::optional<Held> held = heldIn(path, reason);
    if (!held) {
        error = kNotACapture.arg(path, reason);
        return nullptr;
    }
    // A torn block left by a run cut short goes, or the new blocks would follow its broken rows
    // and the file would no longer read; so do empty lines after the last row.
    std::string failure;
    auto output = CaptureCsv::CaptureOutput::goOn(QFile::encodeName(path).toStdString(),
                                                  held->keptLength, held->compressed, failure);
    if (!output) {
        error = kCannotWrite.arg(path, QString::fromStdString(failure));
        return nullptr;
    }
    if (held->droppedFromLine != 0) {
        const QString dropped =
            QString::fromStdString(CaptureCsv::describeDroppedTail(held->droppedFromLine));
        std::fputs(qPrintable(kCutBack.arg(path, dropped).arg(held->lastBlock)), stderr);
    }
    if (held->keptLength == 0 && !output->write(CsvRows::kHeader)) {
        error = kCannotWrite.arg(path, QString::fromStdString(output->error()));
        return nullptr;
    }
    lastBlock = held->lastBlock;
    return std::unique_ptr<CaptureWriter>(new CaptureWriter(std::move(output)));
}

bool CaptureWriter::write(long long number, const SampleBlock& block, double timeGridMs)
{
    return output_->write(rows_.rowsOf(number, block, timeGridMs));
}

QString CaptureWriter::error() const
{
    return QString::fromStdString(output_->error());
}
