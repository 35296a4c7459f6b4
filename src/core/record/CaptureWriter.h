// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Blocks from the chip written as a capture file (block,sample,value,time_ms,level), the one
// writer of both `--record` and the runs' journal. Each block goes out whole in one write (as a
// gzip member of its own when the name ends in ".gz"), so a crash leaves whole blocks behind, all
// but the one being written when it struck, which may be torn and which the reader leaves out.

#include "core/scope/CsvRows.h"

#include <QString>

#include <memory>

namespace CaptureCsv {
class CaptureOutput;
}
struct SampleBlock;

class CaptureWriter
{
public:
    // A new capture at `path`, replacing any file there, its header written. Nothing, with the
    // reason in `error`, when it cannot be written.
    static std::unique_ptr<CaptureWriter> create(const QString& path, QString& error);
    // Goes on after the whole blocks the file at `path` already holds (a new file is begun): a
    // torn last block is cut off first, with a line on standard error. `lastBlock` is set to the
    // last whole block's number (0 for a new or empty file). Nothing, with the reason in
    // `error`, when the file cannot be written or is something other than a capture.
    static std::unique_ptr<CaptureWriter> append(const QString& path, long long& lastBlock,
                                                 QString& error);
    ~CaptureWriter();

    // Writes block `number` sampled every `timeGridMs`. False, with the reason in error(), when
    // it did not go out whole.
    bool write(long long number, const SampleBlock& block, double timeGridMs);
    QString error() const;

private:
    explicit CaptureWriter(std::unique_ptr<CaptureCsv::CaptureOutput> output);

    std::unique_ptr<CaptureCsv::CaptureOutput> output_;
    CsvRows::Maker rows_;
};
