// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `trevalon --record FILE`: every block the scope draws from the chip is appended to FILE as the
// rows of a capture file (block,sample,value,time_ms,level), the whole block in one write (as a
// gzip member of its own when FILE ends in ".gz"), so a crash leaves whole blocks behind, all but
// the one being written when it struck, which may be torn. The numbering goes on across Start and
// Stop, and after the whole blocks a file already holds (a torn one is cut off first), so a
// recording grown over several runs still reads as one.

#include "core/scope/CsvRows.h"

#include <QObject>

#include <memory>

namespace CaptureCsv {
class CaptureOutput;
}
class Core;
struct SampleBlock;

class Recorder : public QObject
{
    Q_OBJECT

public:
    // Starts recording the blocks `core` receives into `path`. Returns nothing, with the reason
    // in `error`, when the file cannot be written or is something other than a capture. A torn
    // last block in the file is cut off, with a line on standard error.
    static std::unique_ptr<Recorder> start(const QString& path, Core& core, QString& error);
    ~Recorder() override;

    // Blocks written in this run.
    int blocksWritten() const { return blocksWritten_; }
    QString fileName() const { return path_; }
    // Why the recording stopped (a failed write); empty while it records.
    QString failure() const { return failure_; }

private:
    Recorder(Core& core, const QString& path, long long lastBlock);
    void takeBlock(const SampleBlock& block);

    Core& core_;
    QString path_;
    std::unique_ptr<CaptureCsv::CaptureOutput> output_;
    CsvRows::Maker rows_;
    long long lastBlock_;
    int blocksWritten_ = 0;
    bool failed_ = false;
    QString failure_;
};
